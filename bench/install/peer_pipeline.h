#pragma once
// The peer: all sixteen packages fetched by curl --parallel, then each unpacked
// by the unzip tool, two at a time, into the same folders the launcher uses.

#include <string>
#include <vector>

struct PeerTiming {
    double wallSeconds = 0;
    double downloadSeconds = 0;
    double cpuSeconds = 0;  // of curl and every unzip
};

// urlPrefix: "http://host:port/<guid>-"; curlOptions go to curl before the
// transfers (e.g. a CA file). Throws std::runtime_error when a step fails.
PeerTiming runPeerPipeline(const std::string& urlPrefix, const std::string& runFolder,
                           const std::vector<std::string>& curlOptions = {});
