#pragma once

#include <string>

// The URL scheme the launcher registers for a base host: "zorbit-studio-qs1" for
// the qasite1 site, "zorbit-studio-ternwick" for this build's site domain, else
// "zorbit-studio" and the host's second label (unless that label is "zorbit").
std::string protocolSchemeForHost(const std::string& host, const std::string& siteDomain);
