#include <windows.h>
// after windows.h, which it needs
#include <wininet.h>

#include <algorithm>

#include "platform/win32/http_transfer.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {
namespace {

constexpr DWORD kWsaTimedOut = 10060;

bool isTimeout(DWORD code) {
    return code == ERROR_INTERNET_TIMEOUT || code == ERROR_INTERNET_CONNECTION_ABORTED ||
           code == kWsaTimedOut;
}

std::string systemText(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_FROM_HMODULE;
    const DWORD length = FormatMessageW(flags, GetModuleHandleW(L"wininet.dll"), code, 0,
                                        reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : std::wstring();
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    return toUtf8(message);
}

// Texts for the failures a download meets most, where the system has none.
const char* knownText(DWORD code) {
    switch (code) {
        case ERROR_INTERNET_NAME_NOT_RESOLVED:
            return "The server name or address could not be resolved";
        case ERROR_INTERNET_CANNOT_CONNECT:
            return "The attempt to connect to the server failed";
        case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
            return "The date in the certificate is invalid or has expired";
        case ERROR_INTERNET_SEC_CERT_CN_INVALID:
            return "The host name in the certificate is invalid or does not match";
        case ERROR_INTERNET_INVALID_CA:
            return "The certificate authority is invalid or incorrect";
        case ERROR_INTERNET_SECURITY_CHANNEL_ERROR:
            return "An error occurred in the secure channel support";
        default:
            return "WinINet error";
    }
}

void setTimeout(HINTERNET handle, DWORD option, std::chrono::milliseconds timeout) {
    DWORD ms = static_cast<DWORD>(std::max<int64_t>(1, timeout.count()));
    InternetSetOptionW(handle, option, &ms, sizeof ms);
}

}  // namespace

std::string lastInternetError() {
    const DWORD code = GetLastError();
    if (isTimeout(code)) return "Operation timed out (error " + std::to_string(code) + ")";
    const std::string text = systemText(code);
    return (text.empty() ? std::string(knownText(code)) : text) + " (error " +
           std::to_string(code) + ")";
}

TransferClock::TransferClock(const HttpRequest& request)
    : start_(Clock::now()),
      connect_(request.connectTimeout),
      floorBytesPerSecond_(request.lowSpeedBytesPerSecond),
      floorWindow_(request.lowSpeedTime),
      windowStart_(start_) {
    if (request.totalTimeout.count() > 0) deadline_ = start_ + request.totalTimeout;
}

std::optional<std::chrono::milliseconds> TransferClock::remaining() const {
    if (!deadline_) return std::nullopt;
    return std::chrono::duration_cast<std::chrono::milliseconds>(*deadline_ - Clock::now());
}

// The shorter of a call's own time-out (zero: none) and what is left of the whole.
std::optional<std::chrono::milliseconds> TransferClock::bounded(
    std::chrono::milliseconds own) const {
    const std::optional<std::chrono::milliseconds> left = remaining();
    if (own.count() <= 0) return left;
    return left ? std::min(own, *left) : own;
}

void TransferClock::applyTimeouts(HINTERNET handle) const {
    if (const auto connect = bounded(connect_))
        setTimeout(handle, INTERNET_OPTION_CONNECT_TIMEOUT, *connect);
    // A silent peer is a stretch below the floor too.
    const std::chrono::milliseconds silence = floorBytesPerSecond_ > 0
                                                  ? std::chrono::milliseconds(floorWindow_)
                                                  : std::chrono::milliseconds(0);
    if (const auto wait = bounded(silence)) {
        setTimeout(handle, INTERNET_OPTION_SEND_TIMEOUT, *wait);
        setTimeout(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, *wait);
    }
}

std::string TransferClock::expiredText(int64_t received) const {
    if (!deadline_ || Clock::now() < *deadline_) return {};
    const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_);
    return "Operation timed out after " + std::to_string(spent.count()) + " milliseconds with " +
           std::to_string(received) + " bytes received";
}

std::string TransferClock::tooSlowText(int64_t moved) {
    if (floorBytesPerSecond_ <= 0 || floorWindow_.count() <= 0) return {};
    const Clock::time_point now = Clock::now();
    if (now - windowStart_ < floorWindow_) return {};
    if (moved - movedAtWindowStart_ < floorBytesPerSecond_ * floorWindow_.count())
        return "Operation too slow. Less than " + std::to_string(floorBytesPerSecond_) +
               " bytes/sec transferred the last " + std::to_string(floorWindow_.count()) +
               " seconds";
    windowStart_ = now;
    movedAtWindowStart_ = moved;
    return {};
}

}  // namespace platform::win32
