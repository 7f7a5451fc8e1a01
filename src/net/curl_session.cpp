#include "net/curl_session.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <chrono>
#include <mutex>

#include "net/http_client.h"
#include "net/speed_floor.h"
#include "base/format.h"

namespace net_detail {
namespace {

std::atomic<int> stallTimeoutOverride{0};
// The deadline of the calling thread's HttpTimeBound, if any.
thread_local std::optional<std::chrono::steady_clock::time_point> threadDeadline;
std::mutex caBundleLock;
std::string caBundleOverride;

// libcurl's global set-up is not safe to race with the first handles.
void initializeCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

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

bool startsWithNoCase(const std::string& text, const char* prefix) {
    for (size_t i = 0; prefix[i]; ++i) {
        if (i >= text.size()) return false;
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

SpeedFloor* speedFloorOf(CURL* handle) {
    char* floor = nullptr;
    if (!handle || curl_easy_getinfo(handle, CURLINFO_PRIVATE, &floor) != CURLE_OK) return nullptr;
    return reinterpret_cast<SpeedFloor*>(floor);
}

int onTransferProgress(void* floor, curl_off_t, curl_off_t downloaded, curl_off_t,
                       curl_off_t uploaded) {
    const bool holds =
        static_cast<SpeedFloor*>(floor)->holds(SpeedFloor::Clock::now(), downloaded + uploaded);
    return holds ? 0 : 1;  // non-zero ends the transfer
}

}  // namespace

void closeCurlHandle(CURL* handle) {
    delete speedFloorOf(handle);
    curl_easy_cleanup(handle);
}

CurlHandle openCurlHandle(char* errorBuffer) {
    initializeCurlOnce();
    CurlHandle handle(curl_easy_init());
    if (!handle) return handle;
    CURL* h = handle.get();
    errorBuffer[0] = '\0';
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_USERAGENT, "Zorbit/WinInet");
    // Worker threads download at the same time; no signals for time-outs.
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // No server may hold a transfer forever: bound the connection (TLS
    // handshake included), and end any stretch slower than the floor, silent
    // or dripping, that lasts the stall time.
    const long stall = stallTimeoutSeconds();
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, stall);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, kHttpFloorBytesPerSecond);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, stall);
    auto* floor = new SpeedFloor(kHttpFloorBytesPerSecond, std::chrono::seconds(stall));
    curl_easy_setopt(h, CURLOPT_PRIVATE, floor);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onTransferProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, floor);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    if (const long bound = remainingBoundMs()) {
        curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, bound);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, std::min(bound, stall * 1000));
    }
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 64L * 1024);
    const std::string bundle = caBundle();
    if (!bundle.empty()) {
        curl_easy_setopt(h, CURLOPT_CAINFO, bundle.c_str());
        curl_easy_setopt(h, CURLOPT_CAPATH, nullptr);
    }
    return handle;
}

void ResponseHead::addLine(const char* data, size_t size) {
    std::string line(data, size);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.rfind("HTTP/", 0) == 0) {
        *this = ResponseHead();
        statusSeen = true;
        const size_t codeAt = line.find(' ');
        if (codeAt == std::string::npos) return;
        const char* first = line.data() + codeAt + 1;
        const char* last = line.data() + line.size();
        const auto parsed = std::from_chars(first, last, status);
        if (parsed.ptr < last && *parsed.ptr == ' ')
            reason = line.substr(parsed.ptr + 1 - line.data());
        return;
    }
    if (line.empty()) {
        complete = statusSeen;
        return;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos) return;
    const std::string value = trimmed(line.substr(colon + 1));
    if (startsWithNoCase(line, "etag:")) {
        if (!etag) etag = value;
    } else if (startsWithNoCase(line, "content-length:")) {
        int64_t length = -1;
        const auto parsed = std::from_chars(value.data(), value.data() + value.size(), length);
        if (parsed.ec == std::errc()) contentLength = length;
    }
}

size_t onHeaderLine(char* data, size_t size, size_t count, void* head) {
    static_cast<ResponseHead*>(head)->addLine(data, size * count);
    return size * count;
}

std::string curlErrorText(CURLcode code, const char* errorBuffer, CURL* handle) {
    if (code == CURLE_ABORTED_BY_CALLBACK)
        if (const SpeedFloor* floor = speedFloorOf(handle))
            return format("Transfer slower than %lld bytes per second for %lld seconds",
                          static_cast<long long>(floor->bytesPerSecond()),
                          static_cast<long long>(floor->window().count()));
    if (errorBuffer && errorBuffer[0]) return errorBuffer;
    return curl_easy_strerror(code);
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
