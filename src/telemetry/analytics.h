#pragma once
// Measurement-protocol hits for the analytics service: events and timings.
// The switch is off for the whole process in the launcher, so the hits are
// built and sent only where a test turns it on.

#include <string>

class simple_logger;

// Payloads ('&'-separated, nothing URL-encoded).
std::string analyticsEventPayload(const std::string& trackingId, const std::string& clientId,
                                  const std::string& action, const std::string& label, int value);
std::string analyticsTimingPayload(const std::string& trackingId, const std::string& clientId,
                                   int milliseconds, const std::string& label);

// False at once while the switch is off; otherwise builds the hit and sends it.
bool analyticsEvent(simple_logger& logger, const std::string& action, const std::string& label,
                    int value);
bool analyticsTiming(simple_logger& logger, int milliseconds, const std::string& label);

// POSTs the payload to the collect URL; logs the outcome and never throws.
bool sendAnalytics(simple_logger& logger, const std::string& payload);

// The process-wide state: off, empty ids, and the service's collect endpoint.
struct AnalyticsState {
    bool enabled = false;
    std::string trackingId;
    std::string clientId;
    std::string collectUrl = "http://analytics.zorbit.localhost/collect";
};

namespace analytics_testing {
// Replaces the process-wide state; not for the launcher itself.
void setState(const AnalyticsState& state);
AnalyticsState state();
}  // namespace analytics_testing
