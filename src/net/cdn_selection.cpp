#include "net/cdn_selection.h"

#include <boost/property_tree/json_parser.hpp>
#include <boost/property_tree/ptree.hpp>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/installer_site.h"
#include "base/logger.h"
#include "base/resource_strings.h"
#include "net/json_nesting.h"

namespace {

// One process-wide choice. The lock is held while it is computed, so threads
// that ask at the same time wait for the one answer.
struct CdnChoice {
    std::mutex lock;
    bool done = false;
    std::string host;
};

CdnChoice& primaryChoice() {
    static CdnChoice choice;
    return choice;
}

CdnChoice& installerChoice() {
    static CdnChoice choice;
    return choice;
}

const HttpProgress kNoProgress = [](int, int) {};

std::string fetchText(IInstallerSite& site, const std::string& host, const std::string& path) {
    std::string etag;
    std::stringstream body;
    httpGet(site, etag, body, true, host, path, kNoProgress);
    return body.str();
}

std::string computePrimaryCdn(IInstallerSite& site) {
    simple_logger& logger = site.logger();
    if (site.useFixedCdnMapping()) {
        std::string host = site.installHost();
        if (host == resourceString(resource_id::kStandardSetupHost))
            host = resourceString(resource_id::kStandardContentHost);
        logger.log("primaryCdn: %s", host.c_str());
        return host;
    }
    try {
        // Taken as it stands: the file is one host name and nothing else.
        std::string host = fetchText(site, site.installHost(), "/cdn.txt");
        logger.log("primaryCdn: %s", host.c_str());
        return host;
    } catch (const std::exception&) {
        logger.log("primaryCdn exception, falling back to secondary installHost");
        return {};
    }
}

std::string computeInstallerCdn(IInstallerSite& site) {
    try {
        const std::string list = fetchText(site, site.baseHost(), "/install/GetInstallerCdns.ashx");
        site.logger().log("primaryCdns: %s", list.c_str());
        return pickInstallerCdn(list, std::rand());
    } catch (const std::exception&) {
        site.logger().log("primaryCdn exception, falling back to secondary installHost");
        return {};
    }
}

std::string chooseOnce(CdnChoice& choice, IInstallerSite& site,
                       std::string (*compute)(IInstallerSite&)) {
    std::lock_guard guard(choice.lock);
    if (!choice.done) {
        choice.host = compute(site);
        choice.done = true;
    }
    return choice.host;
}

}  // namespace

std::string pickInstallerCdn(const std::string& json, int random) {
    checkJsonNesting(json);  // the property tree's reader recurses per level
    boost::property_tree::ptree tree;
    std::istringstream text(json);
    boost::property_tree::read_json(text, tree);
    // The members in the order written, each with the running total reached.
    std::vector<std::pair<std::string, int64_t>> cumulative;
    int64_t total = 0;
    for (const auto& [host, weight] : tree) {
        total += weight.get_value<int>();
        cumulative.emplace_back(host, total);
    }
    if (cumulative.empty() || total <= 0) return {};
    const int64_t draw = random % total;
    for (const auto& [host, weight] : cumulative)
        if (weight > draw) return host;
    return {};
}

std::string getInstallerCdn(IInstallerSite& site) {
    return chooseOnce(installerChoice(), site, computeInstallerCdn);
}

std::string getPrimaryCdn(IInstallerSite& site) {
    return chooseOnce(primaryChoice(), site, computePrimaryCdn);
}

int httpGetFromCdn(IInstallerSite& site, std::string& etag, std::ostream& output,
                   const std::string& secondaryHost, const std::string& path,
                   const HttpProgress& progress, BodyResume* resume) {
    std::string cdnHost;
    if (site.useInstallerCdnList()) cdnHost = getInstallerCdn(site);
    if (cdnHost.empty()) cdnHost = getPrimaryCdn(site);
    if (!cdnHost.empty()) {
        try {
            std::string etagCopy = etag;
            const int status =
                httpGet(site, etagCopy, output, true, cdnHost, path, progress, resume);
            etag = etagCopy;
            return status;
        } catch (const silent_exception&) {
            throw;  // a cancellation ends the download; no other host is asked
        } catch (const std::exception&) {
            site.logger().log(
                "Failure getting '%s' from cdnHost='%s', falling back to secondaryHost='%s'",
                path.c_str(), cdnHost.c_str(), secondaryHost.c_str());
        }
    }
    output.clear();
    if (!resume) output.seekp(0);
    return httpGet(site, etag, output, true, secondaryHost, path, progress, resume);
}

namespace cdn_testing {

void resetSelection() {
    for (CdnChoice* choice : {&primaryChoice(), &installerChoice()}) {
        std::lock_guard guard(choice->lock);
        choice->done = false;
        choice->host.clear();
    }
}

}  // namespace cdn_testing
