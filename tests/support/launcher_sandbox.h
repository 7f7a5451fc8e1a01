#pragma once
// A private home for launcher processes in end-to-end tests: its own HOME, XDG
// folders, temporary and runtime folders, a launcher copy stamped for a local
// platform server, and, when the tests run as root, its own machine folders
// (/opt, /usr/local/share and /var/lib bound to sandbox folders in a mount
// namespace). Nothing of the real user's or machine's state is used.
//
// Per-user runs are made as an unprivileged user (nobody) when the tests run as
// root; all-users runs need root.

#include <map>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

class LocalPlatformServer;

enum class SandboxScope {
    Default,  // all users when root, else per user
    PerUser,
    AllUsers,  // only when the tests run as root
};

class LauncherSandbox {
public:
    // Without a server the launcher keeps its built-in hosts.
    explicit LauncherSandbox(const LocalPlatformServer* server = nullptr,
                             SandboxScope scope = SandboxScope::Default);

    // False when the scope cannot be had here (all users without root).
    bool available() const { return available_; }
    bool perUser() const { return perUser_; }

    ChildResult run(const std::vector<std::string>& arguments, int timeoutMs = 120000,
                    const ChildWatcher& watcher = {}) const;
    // The same with the launcher's output on a pseudo-terminal (in ChildResult::out).
    ChildResult runInTerminal(const std::vector<std::string>& arguments,
                              int timeoutMs = 120000) const;
    // A run as the unprivileged user in this sandbox's home, whatever the scope.
    // A launcher run by root always installs for all users, so this is how an
    // all-users sandbox gets a per-user installation of its own (root's) home.
    ChildResult runUnprivileged(const std::vector<std::string>& arguments,
                                int timeoutMs = 120000) const;

    const std::string& launcher() const { return launcher_; }
    std::string path(const std::string& relative) const { return home_.file(relative); }
    std::map<std::string, std::string>& environment() { return environment_; }

    // Writes a string value into the sandbox registry of the scope (zorbit-reg).
    void setRegistryValue(const std::string& key, const std::string& name,
                          const std::string& value) const;
    // The Versions folder of the scope, ending in a separator.
    std::string versionsFolder() const;
    // The download cache of the scope, ending in a separator.
    std::string downloadsFolder() const;
    // The version folder of a version in the scope, ending in a separator.
    std::string versionFolder(const std::string& guid) const;
    // Records the version as installed, with the stand-in as its Studio.
    void fakeInstalledVersion(const std::string& guid) const;

    // The launcher logs written so far, oldest first.
    std::vector<std::string> logs() const;
    std::string newestLog() const;

private:
    void handOverToRunUser() const;
    void handOver(unsigned uid, unsigned gid) const;

    TempDir home_;
    std::map<std::string, std::string> environment_;
    std::string launcher_;
    bool perUser_ = true;
    bool available_ = true;
    ChildIsolation isolation_;
    bool isolated_ = false;
};
