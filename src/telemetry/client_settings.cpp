#include "telemetry/client_settings.h"

#include "net/api_urls.h"
#include "net/http_client.h"
#include "telemetry/telemetry_time_bound.h"

namespace {
// The platform's API key built into the launcher.
const char* const kApiKey = "3F9C1D27-8B4E-4A6D-B2C5-9E71F0A4D863";
}  // namespace

std::string fetchClientSettings(const std::string& baseHost, const std::string& group) {
    TelemetryTimeBound bound;
    return httpGetString(clientSettingsUrl(baseHost, group, kApiKey));
}
