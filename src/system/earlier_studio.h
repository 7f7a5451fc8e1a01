#pragma once
// Removing the earlier Studio product, which this one replaces.

#include <functional>
#include <string>

class simple_logger;

struct EarlierStudioRemoval {
    bool perUser = true;
    // Starts the earlier product's own uninstaller (its command line).
    std::function<void(const std::string& uninstaller)> startUninstaller;
    std::function<void(const std::string& version)> deleteVersionFolder;
};

// Runs the earlier product's uninstaller when it is installed, then cleans up.
void uninstallEarlierStudio(simple_logger& logger, const EarlierStudioRemoval& removal);
// Its current-version values, its shortcuts and its launcher stub.
void cleanUpEarlierStudio(simple_logger& logger, bool perUser);
