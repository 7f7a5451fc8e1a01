#pragma once
// The launcher's blocking HTTP operations. Each call opens its own connection
// and keeps no state between calls, so worker threads may call them at once.
//
// A request returns 200 or 304 (or a resumed GET 206); every other outcome throws
// std::runtime_error, except that an exception thrown by the progress callable ends the transfer at
// once and reaches the caller unchanged.

#include <chrono>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

class BodyResume;
class IInstallerSite;

// Called after every chunk of the response body that reaches the output, with
// the chunk's size and the announced content length (0 when none was sent).
using HttpProgress = std::function<void(int chunkBytes, int contentLength)>;

// A request fails when it cannot connect within this many seconds, or when for
// this long it moves less than the floor below: no server can hold it forever,
// whether it goes silent or drips a few bytes at a time.
inline constexpr int kHttpStallTimeoutSeconds = 30;
// Bytes per second, averaged over the stall time: far below the slowest real
// line (which still gets a whole package through), far above a drip.
inline constexpr long kHttpFloorBytesPerSecond = 1024;

// Bounds every request the creating thread starts while it lives: each attempt
// ends by the deadline (a later one gets a millisecond and fails at once), on
// top of the stall bound. Nested bounds keep the earlier deadline. For requests
// that must never hold the launcher up for long, such as telemetry.
class HttpTimeBound {
public:
    explicit HttpTimeBound(std::chrono::milliseconds budget);
    ~HttpTimeBound();
    HttpTimeBound(const HttpTimeBound&) = delete;
    HttpTimeBound& operator=(const HttpTimeBound&) = delete;

private:
    std::optional<std::chrono::steady_clock::time_point> previous_;
};

// One attempt. host may carry a scheme ("http://", "https://") and a ":port";
// without a scheme, https picks TLS. body is sent from its current position to
// its end (nothing when empty). etag: in, the cached copy's validator (sent as
// If-None-Match when not empty); out, the answer's validator without its quotes,
// or empty. The body of a 200 is appended to output; a 304 leaves it alone.
// With a resume (for GETs), the attempt asks for the rest of a body it holds
// from an earlier attempt and writes where the answer's body belongs: a 206
// that continues it is appended (and returned as 206), a 200 is written from
// the output's start; a refused range is asked for again whole.
int httpRequest(const std::string& verb, const std::string& host, const std::string& path,
                std::istream& body, const std::optional<std::string>& contentType,
                std::string& etag, std::ostream& output, bool https, const HttpProgress& progress,
                BodyResume* resume = nullptr);

// Tries https first for hosts that qualify (isHttpsHost), then plain http. The
// https answer is spooled to an owner-only temporary file and reaches output
// only when the attempt succeeds; with a resume it goes to output at once, as
// the resume knows how much of it to keep. log: log the https attempt.
int httpRequestWithFallback(IInstallerSite& site, const std::string& verb, const std::string& host,
                            const std::string& path, std::istream& body,
                            const std::optional<std::string>& contentType, std::string& etag,
                            std::ostream& output, bool log, const HttpProgress& progress,
                            BodyResume* resume = nullptr);

// GET with one further attempt after a failure (not after a cancellation). The
// second attempt rewrites output from its start, or, with a resume, asks for
// what the first one did not get. Each resumed attempt logs from which byte
// it resumed and how it ended.
int httpGet(IInstallerSite& site, std::string& etag, std::ostream& output, bool log,
            const std::string& host, const std::string& path, const HttpProgress& progress,
            BodyResume* resume = nullptr);

// POST of body with a Content-Type header (none when contentType is empty); no
// further attempt, no validator.
int httpPost(IInstallerSite& site, std::istream& body, const std::string& contentType,
             std::ostream& output, bool log, const std::string& host, const std::string& path,
             const HttpProgress& progress);

// The whole body of a GET of url, whatever the status: for small service answers
// (an answer over 4 MiB fails like a broken one).
std::string httpGetString(const std::string& url);

// Whether host is tried over https first: "https://" hosts and host names that
// are neither "localhost" nor numeric addresses.
bool isHttpsHost(const std::string& host);

// Test hooks, process-wide. Not for the launcher itself.
namespace http_testing {
// Shortens the stall bound; 0 restores kHttpStallTimeoutSeconds.
void setStallTimeoutSeconds(int seconds);
// Trusts the certificates of this PEM file instead of the system store; empty
// restores the system store.
void setCaBundle(const std::string& path);
}  // namespace http_testing
