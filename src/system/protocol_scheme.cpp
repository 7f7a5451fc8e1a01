#include "system/protocol_scheme.h"

#include <vector>

std::string protocolSchemeForHost(const std::string& host, const std::string& siteDomain) {
    if (host.find("qasite1") != std::string::npos) return "zorbit-studio-qs1";
    if (!siteDomain.empty() && host.find(siteDomain) != std::string::npos)
        return "zorbit-studio-ternwick";
    std::vector<std::string> labels;
    size_t start = 0;
    while (start <= host.size()) {
        size_t dot = host.find('.', start);
        if (dot == std::string::npos) dot = host.size();
        if (dot > start) labels.push_back(host.substr(start, dot - start));
        start = dot + 1;
    }
    std::string scheme = "zorbit-studio";
    if (labels.size() > 1 && labels[1] != "zorbit") scheme += "-" + labels[1];
    return scheme;
}
