#pragma once
// The Studio profile's settings load.

#include <string>

class WindowsStudioInstallerSettings;
class simple_logger;

// Lays the client-settings answer of the base host over the settings and takes
// their post time-out as the telemetry bound. Never throws: whatever was
// applied stays and the defaults hold the rest.
void loadStudioSettings(WindowsStudioInstallerSettings& settings, const std::string& baseHost,
                        simple_logger& logger);
