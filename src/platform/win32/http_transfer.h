#pragma once
// The steps of one WinINet request, and the clock that bounds them.

#include <windows.h>
// after windows.h, which it needs
#include <wininet.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/http_transport.h"
#include "platform/win32/http_url.h"

namespace platform::win32 {

struct InternetClose {
    void operator()(HINTERNET handle) const { InternetCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetClose>;

// The WinINet error of the calling thread as text; the codes a stalled or
// silent peer leaves read as a time-out.
std::string lastInternetError();

// The request's bounds: the whole transfer's deadline, the connect time-out
// and the low-speed floor. WinINet knows only per-call time-outs, so each
// blocking call gets the shorter of its own and what is left of the whole.
class TransferClock {
public:
    using Clock = std::chrono::steady_clock;
    explicit TransferClock(const HttpRequest& request);

    void applyTimeouts(HINTERNET handle) const;
    // The failure text once the whole transfer's time is spent, else empty.
    std::string expiredText(int64_t received) const;
    // The failure text once the bytes moved stay below the floor for its
    // whole window, else empty.
    std::string tooSlowText(int64_t moved);

private:
    std::optional<std::chrono::milliseconds> remaining() const;
    std::optional<std::chrono::milliseconds> bounded(std::chrono::milliseconds own) const;

    Clock::time_point start_;
    std::optional<Clock::time_point> deadline_;
    std::chrono::milliseconds connect_;
    int64_t floorBytesPerSecond_;
    std::chrono::seconds floorWindow_;
    Clock::time_point windowStart_;
    int64_t movedAtWindowStart_ = 0;
};

struct OpenRequest {
    InternetHandle connection;
    InternetHandle request;
    std::string error;
};

// Connects and opens the request with its headers; on failure request is
// null and error says why.
OpenRequest openRequest(HINTERNET session, const HttpUrl& url, const HttpRequest& asked,
                        const TransferClock& clock);

struct StepOutcome {
    HttpFailure failure = HttpFailure::None;
    std::string message;
};

// Sends the request and its body, if any.
StepOutcome sendRequest(HINTERNET request, const HttpUrl& url, const HttpRequest& asked,
                        TransferClock& clock);
// The answer's head, fed line by line as it came.
void readHead(HINTERNET request, HttpResponseHead& head);
// The body to the sink, with progress between the reads.
void readBody(HINTERNET request, const HttpRequest& asked, TransferClock& clock,
              HttpResult& result);
// A header of the answer, nullopt when it has none.
std::optional<std::wstring> queryHeader(HINTERNET request, DWORD which);

// With a PEM bundle to trust instead of the system's store: the request takes
// any issuer, and trustsServer then checks the server's chain against the bundle.
void acceptAnyIssuer(HINTERNET request);
bool trustsServer(HINTERNET request, const std::string& caBundle);

}  // namespace platform::win32
