// The layers over one attempt: https first with a fall-back to http, the
// second try of a GET, and the POST.
#include <istream>
#include <optional>
#include <ostream>
#include <sstream>

#include "base/errors.h"
#include "base/installer_site.h"
#include "base/logger.h"
#include "net/body_resume.h"
#include "net/http_client.h"
#include "net/spool_file.h"

namespace {

const char* outcomeText(BodyResume::Outcome outcome) {
    switch (outcome) {
        case BodyResume::Outcome::Appended:
            return "206 appended";
        case BodyResume::Outcome::Restarted:
            return "200 restarted";
        case BodyResume::Outcome::FullTransfer:
            return "full transfer";
        case BodyResume::Outcome::None:
            break;
    }
    return "no answer";
}

void logResumed(IInstallerSite& site, const std::string& path, const BodyResume* resume,
                bool complete) {
    if (!resume || !resume->resumed()) return;
    site.logger().log("Resumed %s from byte %lld: %s, %s at byte %lld", path.c_str(),
                      static_cast<long long>(resume->askedFrom()), outcomeText(resume->outcome()),
                      complete ? "complete" : "broken", static_cast<long long>(resume->held()));
}

// One attempt over one scheme, with the line that tells how a resumed one ended.
int attempt(IInstallerSite& site, const std::string& verb, const std::string& host,
            const std::string& path, std::istream& body,
            const std::optional<std::string>& contentType, std::string& etag, std::ostream& output,
            bool https, const HttpProgress& progress, BodyResume* resume) {
    try {
        const int status =
            httpRequest(verb, host, path, body, contentType, etag, output, https, progress, resume);
        logResumed(site, path, resume, true);
        return status;
    } catch (...) {
        logResumed(site, path, resume, false);
        throw;
    }
}

}  // namespace

int httpRequestWithFallback(IInstallerSite& site, const std::string& verb, const std::string& host,
                            const std::string& path, std::istream& body,
                            const std::optional<std::string>& contentType, std::string& etag,
                            std::ostream& output, bool log, const HttpProgress& progress,
                            BodyResume* resume) {
    if (isHttpsHost(host)) {
        const std::streampos bodyStart = body.tellg();
        std::string etagCopy = etag;
        if (log) site.logger().log("%s https://%s%s", verb.c_str(), host.c_str(), path.c_str());
        // The answer waits on disk, not in memory, until it is known to be whole:
        // a failed https attempt leaves nothing in the caller's output.
        std::optional<SpoolFile> spool;
        int status = 0;
        bool done = false;
        try {
            if (!resume) spool.emplace();
            status = attempt(site, verb, host, path, body, contentType, etagCopy,
                             spool ? spool->stream() : output, true, progress, resume);
            done = true;
        } catch (const silent_exception&) {
            throw;  // a cancellation ends the request, it is no reason to try http
        } catch (const std::exception& e) {
            site.logger().log("https failed (%s), falling back to http", e.what());
        }
        if (done) {
            if (spool) spool->copyTo(output);
            etag = etagCopy;
            return status;
        }
        body.clear();
        body.seekg(bodyStart == std::streampos(-1) ? std::streampos(0) : bodyStart);
    }
    return attempt(site, verb, host, path, body, contentType, etag, output, false, progress,
                   resume);
}

int httpGet(IInstallerSite& site, std::string& etag, std::ostream& output, bool log,
            const std::string& host, const std::string& path, const HttpProgress& progress,
            BodyResume* resume) {
    try {
        std::string etagCopy = etag;
        std::istringstream noBody;
        const int status = httpRequestWithFallback(site, "GET", host, path, noBody, std::nullopt,
                                                   etagCopy, output, log, progress, resume);
        etag = etagCopy;
        return status;
    } catch (const silent_exception&) {
        throw;
    } catch (const std::exception& e) {
        site.logger().log("WARNING: First HTTP GET error for %s: %s", path.c_str(), e.what());
    }
    // The second attempt writes over what the first one left, unless it resumes.
    output.clear();
    if (!resume) output.seekp(0);
    std::istringstream noBody;
    return httpRequestWithFallback(site, "GET", host, path, noBody, std::nullopt, etag, output, log,
                                   progress, resume);
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
