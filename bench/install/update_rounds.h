#pragma once
// The update figure: an update from version A to version B (fetching only
// what changed) against full installs of B by the launcher and by the peer.

#include <string>
#include <vector>

#include "bench_version.h"
#include "platform_server.h"

struct UpdateBench {
    zorbit::server::PlatformServer& server;
    std::string self;  // this program, run as the child
    std::string installHost;
    std::string contentHost;
    std::string runs;  // folder of the runs
    const BenchVersion& from;
    const BenchVersion& to;
};

struct UpdateFigures {
    std::vector<double> update;       // seconds of the update alone
    std::vector<double> fullInstall;  // seconds of the launcher's full install of B
    std::vector<double> peer;         // seconds of the peer's full install of B
    std::vector<double> sentShare;    // B's package bytes sent per update, as a share
};

// Alternates the three in rounds, each into an empty folder after sync.
// Ends the benchmark when a run fails or leaves other files than B's.
UpdateFigures runUpdateRounds(const UpdateBench& bench, int rounds);

void printUpdateFigures(const UpdateFigures& figures, const BenchVersion& to);
