#pragma once
// A private home for launcher processes in end-to-end tests: its own HOME, XDG
// folders, temporary and runtime folders, and a launcher copy stamped for a
// local platform server. Nothing of the real user's or machine's state is used.

#include <map>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

class LocalPlatformServer;

class LauncherSandbox {
public:
    // Without a server the launcher keeps its built-in hosts.
    explicit LauncherSandbox(const LocalPlatformServer* server = nullptr);

    ChildResult run(const std::vector<std::string>& arguments, int timeoutMs = 120000) const;

    const std::string& launcher() const { return launcher_; }
    std::string path(const std::string& relative) const { return home_.file(relative); }
    std::map<std::string, std::string>& environment() { return environment_; }

    // The launcher logs written so far, oldest first.
    std::vector<std::string> logs() const;
    std::string newestLog() const;

private:
    TempDir home_;
    std::map<std::string, std::string> environment_;
    std::string launcher_;
};
