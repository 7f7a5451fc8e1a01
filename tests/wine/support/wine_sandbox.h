#pragma once
// The Windows launcher in a Wine prefix of its own, stamped for a local
// platform server: runs per user (with a standard user's token) or for all
// users (with the elevated token Wine gives by default), and the places its
// installation lands, as Unix paths of the prefix and as the launcher writes
// them.

#include <string>
#include <vector>

#include "support/child_process.h"
#include "wine/support/wine_prefix.h"

class LocalPlatformServer;

enum class WineScope { PerUser, AllUsers };

class WineSandbox {
public:
    WineSandbox(const LocalPlatformServer& server, WineScope scope);

    bool perUser() const { return scope_ == WineScope::PerUser; }
    const WinePrefix& prefix() const { return prefix_; }

    // Runs the stamped launcher, or another Windows program, in the scope.
    ChildResult run(const std::vector<std::string>& arguments, int timeoutMs = 90000,
                    const ChildWatcher& watcher = {}) const {
        return runProgram(launcherWindowsPath(), arguments, timeoutMs, watcher);
    }
    ChildResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                           int timeoutMs = 90000, const ChildWatcher& watcher = {}) const;

    // The stamped launcher the runs start, in the prefix.
    std::string launcher() const { return prefix_.unixPath(launcherWindowsPath()); }
    static std::string launcherWindowsPath() {
        return "C:\\Downloads\\ZorbitStudioLauncherBeta.exe";
    }

    // "HKCU" or "HKLM", the root of the scope's keys.
    std::string hive() const { return perUser() ? "HKCU" : "HKLM"; }
    // Folders of the scope as Windows paths, ending in a separator.
    std::string versionsWindowsFolder() const;
    std::string versionWindowsFolder(const std::string& guid) const {
        return versionsWindowsFolder() + guid + "\\";
    }
    std::string programsWindowsFolder() const;
    std::string desktopWindowsFolder() const;
    // The same as Unix paths, ending in a separator.
    std::string versionsFolder() const { return prefix_.unixPath(versionsWindowsFolder()); }
    std::string versionFolder(const std::string& guid) const {
        return prefix_.unixPath(versionWindowsFolder(guid));
    }

    // The launcher's logs, oldest first, and the newest one's text.
    std::vector<std::string> logs() const;
    std::string newestLog() const;

private:
    WineScope scope_;
    WinePrefix prefix_;
};
