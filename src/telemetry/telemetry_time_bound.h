#pragma once
// How long one telemetry request may hold the launcher up. Telemetry never
// changes a run's outcome, so a stalled endpoint must cost little time: every
// telemetry request runs under a bound far below the HTTP client's stall bound.

#include <chrono>

#include "net/http_client.h"

// Counters, stats reports, analytics hits and the settings fetch.
inline constexpr int kTelemetryRequestMs = 5000;
// One log file upload: a whole log may take longer to send.
inline constexpr int kLogUploadRequestMs = 15000;
// The shortest bound the settings may ask for.
inline constexpr int kShortestTelemetryRequestMs = 100;

// The settings' post time-out in milliseconds (0: none). It can only shorten
// the telemetry bound, never lengthen it; log uploads keep theirs.
void setTelemetryTimeoutOverride(int milliseconds);
std::chrono::milliseconds telemetryTimeout(int defaultMs);

// Bounds the calling thread's requests for its lifetime; the settings' post
// time-out may shorten it.
class TelemetryTimeBound : public HttpTimeBound {
public:
    TelemetryTimeBound() : HttpTimeBound(telemetryTimeout(kTelemetryRequestMs)) {}
};

// The bound of one log upload. The settings cannot shorten it: the uploads
// that report a failed run must not depend on a value the server sends.
class LogUploadTimeBound : public HttpTimeBound {
public:
    LogUploadTimeBound() : HttpTimeBound(std::chrono::milliseconds(kLogUploadRequestMs)) {}
};
