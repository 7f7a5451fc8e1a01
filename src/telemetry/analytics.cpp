#include "telemetry/analytics.h"

#include <exception>
#include <mutex>

#include "base/format.h"
#include "base/logger.h"
#include "telemetry/service_post.h"
#include "telemetry/telemetry_time_bound.h"

namespace {

// Never destroyed, like the other process-wide telemetry state.
struct Analytics {
    std::mutex lock;
    AnalyticsState state;
};

Analytics& analytics() {
    static Analytics* const instance = new Analytics;
    return *instance;
}

AnalyticsState currentState() {
    std::lock_guard guard(analytics().lock);
    return analytics().state;
}

std::string commonStart(const std::string& trackingId, const std::string& clientId,
                        const char* hitType) {
    return "v=1&tid=" + trackingId + "&cid=" + clientId + "&t=" + hitType;
}

}  // namespace

std::string analyticsEventPayload(const std::string& trackingId, const std::string& clientId,
                                  const std::string& action, const std::string& label, int value) {
    return commonStart(trackingId, clientId, "event") + "&ec=PC&ea=" + action +
           format("&ev=%d", value) + "&el=" + label;
}

std::string analyticsTimingPayload(const std::string& trackingId, const std::string& clientId,
                                   int milliseconds, const std::string& label) {
    return commonStart(trackingId, clientId, "timing") + "&utc=PC&utv=ClientInstallTime" +
           format("&utt=%d", milliseconds) + "&utl=" + label;
}

bool analyticsEvent(simple_logger& logger, const std::string& action, const std::string& label,
                    int value) {
    const AnalyticsState state = currentState();
    if (!state.enabled) return false;
    return sendAnalytics(
        logger, analyticsEventPayload(state.trackingId, state.clientId, action, label, value));
}

bool analyticsTiming(simple_logger& logger, int milliseconds, const std::string& label) {
    const AnalyticsState state = currentState();
    if (!state.enabled) return false;
    return sendAnalytics(
        logger, analyticsTimingPayload(state.trackingId, state.clientId, milliseconds, label));
}

bool sendAnalytics(simple_logger& logger, const std::string& payload) {
    try {
        TelemetryTimeBound bound;
        postToService(currentState().collectUrl, "*/*", payload);
        logger.log("Google Analytics: %s, status: %d", payload.c_str(), 1);
        return true;
    } catch (const std::exception& e) {
        logger.log("WARNING: Google Analytics FAILED: %s, %s", payload.c_str(), e.what());
    } catch (...) {
        logger.log("WARNING: Google Analytics FAILED: %s, %s", payload.c_str(), "unknown error");
    }
    return false;
}

namespace analytics_testing {

void setState(const AnalyticsState& state) {
    std::lock_guard guard(analytics().lock);
    analytics().state = state;
}

AnalyticsState state() {
    return currentState();
}

}  // namespace analytics_testing
