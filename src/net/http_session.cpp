#include "net/http_session.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <optional>

#include "base/format.h"
#include "net/http_client.h"
#include "net/speed_floor.h"

namespace net_detail {
namespace {

std::atomic<int> stallTimeoutOverride{0};
// The deadline of the calling thread's HttpTimeBound, if any.
thread_local std::optional<std::chrono::steady_clock::time_point> threadDeadline;
std::mutex caBundleLock;
std::string caBundleOverride;

// Milliseconds left to the thread's deadline, at least 1 (0 means no deadline).
long remainingBoundMs() {
    if (!threadDeadline) return 0;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        *threadDeadline - std::chrono::steady_clock::now());
    return left.count() < 1 ? 1L : static_cast<long>(left.count());
}

int stallTimeoutSeconds() {
    const int seconds = stallTimeoutOverride.load();
    return seconds > 0 ? seconds : kHttpStallTimeoutSeconds;
}

std::string caBundle() {
    std::lock_guard guard(caBundleLock);
    return caBundleOverride;
}

}  // namespace

platform::HttpRequest sessionRequest(const std::string& method, const std::string& url) {
    platform::HttpRequest request;
    request.method = method;
    request.url = url;
    request.userAgent = "Zorbit/WinInet";
    // No server may hold a transfer forever: bound the connection (TLS
    // handshake included), and end any stretch slower than the floor, silent
    // or dripping, that lasts the stall time.
    const int stall = stallTimeoutSeconds();
    const long stallMs = stall * 1000L;
    request.connectTimeout = std::chrono::milliseconds(stallMs);
    request.lowSpeedBytesPerSecond = kHttpFloorBytesPerSecond;
    request.lowSpeedTime = std::chrono::seconds(stall);
    if (const long bound = remainingBoundMs()) {
        request.totalTimeout = std::chrono::milliseconds(bound);
        request.connectTimeout = std::chrono::milliseconds(std::min(bound, stallMs));
    }
    request.caBundle = caBundle();
    return request;
}

platform::HttpResult performSessionRequest(platform::HttpRequest request,
                                           platform::HttpConnection* connection) {
    // The floor's window is the stall time, as the transport's own low-speed limit.
    SpeedFloor floor(kHttpFloorBytesPerSecond, request.lowSpeedTime);
    request.onProgress = [&floor](int64_t received, int64_t sent) {
        return floor.holds(SpeedFloor::Clock::now(), received + sent);
    };
    platform::HttpResult result =
        connection ? connection->exchange(request) : platform::exchangeHttp(request);
    if (result.failure == platform::HttpFailure::ProgressStop)
        result.message = format("Transfer slower than %lld bytes per second for %lld seconds",
                                static_cast<long long>(floor.bytesPerSecond()),
                                static_cast<long long>(floor.window().count()));
    return result;
}

}  // namespace net_detail

HttpTimeBound::HttpTimeBound(std::chrono::milliseconds budget)
    : previous_(net_detail::threadDeadline) {
    const auto deadline = std::chrono::steady_clock::now() + budget;
    if (!previous_ || deadline < *previous_) net_detail::threadDeadline = deadline;
}

HttpTimeBound::~HttpTimeBound() {
    net_detail::threadDeadline = previous_;
}

namespace http_testing {

void setStallTimeoutSeconds(int seconds) {
    net_detail::stallTimeoutOverride = seconds;
}

void setCaBundle(const std::string& path) {
    std::lock_guard guard(net_detail::caBundleLock);
    net_detail::caBundleOverride = path;
}

}  // namespace http_testing
