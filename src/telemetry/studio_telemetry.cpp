#include "telemetry/studio_telemetry.h"

#include <exception>

#include "base/logger.h"
#include "telemetry/client_settings.h"
#include "telemetry/installer_settings.h"
#include "telemetry/telemetry_time_bound.h"

void loadStudioSettings(WindowsStudioInstallerSettings& settings, const std::string& baseHost,
                        simple_logger& logger) {
    try {
        settings.parse(fetchClientSettings(baseHost, "WindowsStudioBootstrapperSettings"));
        // Not a server's mistake but an attack on the http fall-back: worth a line.
        if (settings.nestingTooDeep())
            logger.log("WARNING: settings answer ignored (%s)", settings.parseMessage().c_str());
        ::httpBoostPostTimeout = settings.httpBoostPostTimeout;
        // The remote post time-out's only reader: it shortens telemetry's bounds.
        setTelemetryTimeoutOverride(::httpBoostPostTimeout);
    } catch (const std::exception&) {
        // Whatever was applied stays; the defaults hold the rest.
    }
}
