#pragma once
// The content-delivery host the setup host's files are mirrored on, chosen once
// per process, and the download that falls back from it to another host.

#include <iosfwd>
#include <string>

#include "net/http_client.h"

class BodyResume;
class IInstallerSite;

// GET of path from the content host, else (or when that fails) from
// secondaryHost, which callers set to the install host. Throws only what the
// download from secondaryHost throws, and cancellations. With a resume, every
// attempt after a break asks only for what is missing, whichever host it asks.
int httpGetFromCdn(IInstallerSite& site, std::string& etag, std::ostream& output,
                   const std::string& secondaryHost, const std::string& path,
                   const HttpProgress& progress, BodyResume* resume = nullptr);

// The content host from the base host's weighted list; empty when there is none
// or it cannot be had. Computed once per process; never throws.
std::string getInstallerCdn(IInstallerSite& site);

// The content host from the fixed mapping or the install host's "/cdn.txt";
// empty when it cannot be had. Computed once per process; never throws.
std::string getPrimaryCdn(IInstallerSite& site);

// The host a draw picks from a JSON object of host names and integer weights:
// the first member whose running total of weights exceeds random modulo the
// total; empty with no member or a total of 0. Throws std::exception when the
// text is not such an object, or is nested too deep to be one.
std::string pickInstallerCdn(const std::string& json, int random);

namespace cdn_testing {
// Forgets both choices so the next call computes them again.
void resetSelection();
}  // namespace cdn_testing
