// The HTTP exchange over WinINet, blocking. One-off exchanges share one
// session per user agent for the process, connections (a connection object)
// have their own: WinINet keeps a session's connections open for its later
// requests.
// Redirects are followed here rather than by WinINet, so that each answer's
// head is seen and the limits on schemes and count hold. Time-outs go on the
// connection and request handles: not every WinINet takes them from the session.
#include <windows.h>
// after windows.h, which it needs
#include <wininet.h>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/http_transport.h"
#include "platform/win32/http_transfer.h"
#include "platform/win32/http_url.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

using win32::HttpUrl;
using win32::InternetHandle;
using win32::TransferClock;

constexpr int kMaxRedirects = 10;

HttpResult failed(HttpFailure failure, std::string message) {
    HttpResult result;
    result.failure = failure;
    result.message = std::move(message);
    return result;
}

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// What the next request of a redirect sends: a 303, and a 301 or 302 after a
// POST, turn into a GET without a body, as browsers do.
void followRedirect(int status, HttpRequest& next) {
    const bool toGet = status == 303 || ((status == 301 || status == 302) && next.method == "POST");
    if (!toGet) return;
    if (next.method != "HEAD") next.method = "GET";
    next.body.clear();
}

// The URL an answer redirects to: none when it names none, an error text when
// it cannot be followed.
std::optional<HttpUrl> redirectTarget(HINTERNET request, const HttpUrl& from, std::string& error) {
    const std::optional<std::wstring> location = win32::queryHeader(request, HTTP_QUERY_LOCATION);
    if (!location) return std::nullopt;
    std::optional<HttpUrl> target = win32::redirectUrl(from, *location);
    if (!target) error = "Refused to follow a redirect to " + win32::toUtf8(*location);
    return target;
}

// A redirect that cannot be followed fails with the head of its answer, as
// the answer that ended the transfer.
HttpResult stoppedAt(HttpResult result, std::string message) {
    result.failure = HttpFailure::Transfer;
    result.message = std::move(message);
    return result;
}

HttpResult exchangeOver(HINTERNET session, const HttpRequest& asked, HttpUrl url) {
    HttpRequest current = asked;
    TransferClock clock(asked);
    for (int redirects = 0;; ++redirects) {
        win32::OpenRequest open = win32::openRequest(session, url, current, clock);
        if (!open.request) return failed(HttpFailure::Transfer, open.error);
        const win32::StepOutcome sent = win32::sendRequest(open.request.get(), url, current, clock);
        if (sent.failure != HttpFailure::None) return failed(sent.failure, sent.message);
        HttpResult result;
        win32::readHead(open.request.get(), result.head);
        std::string error;
        std::optional<HttpUrl> target;
        if (isRedirect(result.head.status)) target = redirectTarget(open.request.get(), url, error);
        if (!error.empty()) return stoppedAt(std::move(result), error);
        // Not a redirect, or one with nowhere to go: this is the answer.
        if (!target) {
            win32::readBody(open.request.get(), current, clock, result);
            return result;
        }
        if (redirects == kMaxRedirects)
            return stoppedAt(std::move(result), "Maximum (10) redirects followed");
        followRedirect(result.head.status, current);
        url = std::move(*target);
    }
}

InternetHandle openSession(const HttpRequest& request) {
    return InternetHandle(InternetOpenW(win32::toWide(request.userAgent).c_str(),
                                        INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
}

// The exchange over the session session() gives, asked for once the URL is
// known to be usable.
template <typename Session>
HttpResult exchangeInSession(const HttpRequest& request, Session session) {
    std::optional<HttpUrl> url = win32::splitHttpUrl(request.url, request.schemeOptional);
    if (!url) return failed(HttpFailure::BadUrl, "unusable URL " + request.url);
    const HINTERNET handle = session();
    if (!handle)
        return failed(HttpFailure::Setup, "InternetOpen failed: " + win32::lastInternetError());
    return exchangeOver(handle, request, std::move(*url));
}

// Never closed: the process's detached workers may use one until it ends.
HINTERNET sharedSession(const HttpRequest& request) {
    static std::mutex* const lock = new std::mutex;
    static auto* const sessions = new std::map<std::string, HINTERNET>;
    std::lock_guard guard(*lock);
    HINTERNET& session = (*sessions)[request.userAgent];
    if (!session) session = openSession(request).release();
    return session;
}

}  // namespace

HttpResult exchangeHttp(const HttpRequest& request) {
    return exchangeInSession(request, [&request] { return sharedSession(request); });
}

// WinINet keeps a session's connections open for its later requests.
struct HttpConnection::State {
    InternetHandle session;
};

HttpConnection::HttpConnection() : state_(std::make_unique<State>()) {}

HttpConnection::~HttpConnection() = default;

HttpResult HttpConnection::exchange(const HttpRequest& request) {
    return exchangeInSession(request, [this, &request] {
        if (!state_->session) state_->session = openSession(request);
        return static_cast<HINTERNET>(state_->session.get());
    });
}

}  // namespace platform
