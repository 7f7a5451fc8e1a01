// The Studio profile's telemetry hooks: the settings load and the last counters.
#include <exception>

#include "launcher/bootstrapper_zaradada.h"
#include "telemetry/client_settings.h"
#include "telemetry/counters_client.h"
#include "telemetry/telemetry_time_bound.h"

void BootstrapperZARadada::loadSettings() {
    try {
        settings.parse(fetchClientSettings(baseHost(), "WindowsStudioBootstrapperSettings"));
        // Not a server's mistake but an attack on the http fall-back: worth a line.
        if (settings.nestingTooDeep())
            logger_->log("WARNING: settings answer ignored (%s)", settings.parseMessage().c_str());
        ::httpBoostPostTimeout = settings.httpBoostPostTimeout;
        // The remote post time-out's only reader: it shortens telemetry's bounds.
        setTelemetryTimeoutOverride(::httpBoostPostTimeout);
    } catch (const std::exception&) {
        // Whatever was applied stays; the defaults hold the rest.
    }
}

// Counters not fired at once are posted together as the run ends.
void BootstrapperZARadada::beforeExit() {
    if (countersClient) countersClient->postPending();
}
