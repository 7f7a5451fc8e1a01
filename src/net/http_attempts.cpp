// The layers over one attempt: https first with a fall-back to http, the
// second try of a GET, and the POST.
#include <istream>
#include <optional>
#include <ostream>
#include <sstream>

#include "base/errors.h"
#include "base/installer_site.h"
#include "base/logger.h"
#include "net/http_client.h"
#include "net/spool_file.h"

int httpRequestWithFallback(IInstallerSite& site, const std::string& verb, const std::string& host,
                            const std::string& path, std::istream& body,
                            const std::optional<std::string>& contentType, std::string& etag,
                            std::ostream& output, bool log, const HttpProgress& progress) {
    if (isHttpsHost(host)) {
        const std::streampos bodyStart = body.tellg();
        std::string etagCopy = etag;
        if (log) site.logger().log("%s https://%s%s", verb.c_str(), host.c_str(), path.c_str());
        // The answer waits on disk, not in memory, until it is known to be whole:
        // a failed https attempt leaves nothing in the caller's output.
        std::optional<SpoolFile> spool;
        int status = 0;
        try {
            spool.emplace();
            status = httpRequest(verb, host, path, body, contentType, etagCopy, spool->stream(),
                                 true, progress);
        } catch (const silent_exception&) {
            throw;  // a cancellation ends the request, it is no reason to try http
        } catch (const std::exception& e) {
            site.logger().log("https failed (%s), falling back to http", e.what());
            spool.reset();
        }
        if (spool) {
            spool->copyTo(output);
            etag = etagCopy;
            return status;
        }
        body.clear();
        body.seekg(bodyStart == std::streampos(-1) ? std::streampos(0) : bodyStart);
    }
    return httpRequest(verb, host, path, body, contentType, etag, output, false, progress);
}

int httpGet(IInstallerSite& site, std::string& etag, std::ostream& output, bool log,
            const std::string& host, const std::string& path, const HttpProgress& progress) {
    try {
        std::string etagCopy = etag;
        std::istringstream noBody;
        const int status = httpRequestWithFallback(site, "GET", host, path, noBody, std::nullopt,
                                                   etagCopy, output, log, progress);
        etag = etagCopy;
        return status;
    } catch (const silent_exception&) {
        throw;
    } catch (const std::exception& e) {
        site.logger().log("WARNING: First HTTP GET error for %s: %s", path.c_str(), e.what());
    }
    // The second attempt writes over what the first one left.
    output.clear();
    output.seekp(0);
    std::istringstream noBody;
    return httpRequestWithFallback(site, "GET", host, path, noBody, std::nullopt, etag, output, log,
                                   progress);
}

int httpPost(IInstallerSite& site, std::istream& body, const std::string& contentType,
             std::ostream& output, bool log, const std::string& host, const std::string& path,
             const HttpProgress& progress) {
    std::string etag;
    const std::optional<std::string> type =
        contentType.empty() ? std::nullopt : std::optional<std::string>(contentType);
    return httpRequestWithFallback(site, "POST", host, path, body, type, etag, output, log,
                                   progress);
}
