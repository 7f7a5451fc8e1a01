#pragma once
// The Studio's own part of an uninstall: its registrations go, and what remains
// of it (shortcuts, the application key) points at the launcher in the Versions
// folder, so that a later start from them can install again.

#include <functional>
#include <string>

class simple_logger;
namespace platform {
class RegistryKey;
}  // namespace platform

struct StudioRemoval {
    // The run's scope and its open classes key (may be null): a removal of
    // that scope uses the key, any other scope opens its own.
    bool runPerUser = true;
    const platform::RegistryKey* runClassesKey = nullptr;
    std::string productName;
    std::string productRegistryKey;
    std::string launcherExeName;
    std::string protocolScheme;
    // Puts a copy of the running launcher at target unless one is there;
    // answers whether a launcher is there afterwards.
    std::function<bool(const std::string& target)> deploySelfTo;
};

// root: the hive root of the scope being removed.
void uninstallStudioApp(simple_logger& logger, const platform::RegistryKey& root,
                        const StudioRemoval& studio);
