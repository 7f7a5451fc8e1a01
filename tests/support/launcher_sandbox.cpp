#include "support/launcher_sandbox.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "support/file_contents.h"
#include "support/local_platform_server.h"
#include "support/test_process.h"

namespace fs = std::filesystem;

namespace {
constexpr unsigned kNobody = test_process::kNobodyId;
constexpr unsigned kNogroup = test_process::kNobodyId;
}  // namespace

LauncherSandbox::LauncherSandbox(const LocalPlatformServer* server, SandboxScope scope) {
    const bool root = test_process::runningAsRoot();
    perUser_ = scope == SandboxScope::PerUser || (scope == SandboxScope::Default && !root);
    available_ = perUser_ || root;
    for (const char* folder : {"tmp", "run", "bin", "config", "data", "cache", "Desktop", "machine",
                               "machine-opt", "machine-usr-local-share", "machine-var-lib"})
        fs::create_directories(home_.file(folder));
    std::error_code ignored;
    fs::permissions(home_.path(), fs::perms(0755), fs::perm_options::replace, ignored);
    fs::permissions(home_.file("run"), fs::perms(0700), fs::perm_options::replace, ignored);
    environment_ = {
        {"HOME", home_.path()},
        {"TMPDIR", home_.file("tmp")},
        {"XDG_CONFIG_HOME", home_.file("config")},
        {"XDG_DATA_HOME", home_.file("data")},
        {"XDG_CACHE_HOME", home_.file("cache")},
        {"XDG_RUNTIME_DIR", home_.file("run")},
        {"ZORBIT_MACHINE_STATE_DIR", home_.file("machine")},
        {"DISPLAY", ""},
        // Runs act for nobody else, even when the tests run under sudo.
        {"SUDO_UID", ""},
        {"PKEXEC_UID", ""},
        {"WAYLAND_DISPLAY", ""},
    };
    launcher_ = home_.file("bin/ZorbitStudioLauncherBeta.exe");
    if (server) {
        server->stampLauncher(launcher_);
    } else {
        fs::copy_file(LocalPlatformServer::launcherBinary(), launcher_);
    }
    if (root) {
        isolated_ = true;
        isolation_.bindMounts = {{home_.file("machine-opt"), "/opt"},
                                 {home_.file("machine-usr-local-share"), "/usr/local/share"},
                                 {home_.file("machine-var-lib"), "/var/lib"}};
        if (perUser_) {
            isolation_.uid = kNobody;
            isolation_.gid = kNogroup;
        }
    }
}

// The unprivileged user must own its home, including what the test wrote since.
void LauncherSandbox::handOverToRunUser() const {
    if (!isolated_ || isolation_.uid == 0) return;
    handOver(isolation_.uid, isolation_.gid);
}

void LauncherSandbox::handOver(unsigned uid, unsigned gid) const {
    for (const char* folder : {"tmp", "run", "bin", "config", "data", "cache", "Desktop"}) {
        const std::string top = home_.file(folder);
        test_process::giveToUser(top, uid, gid);
        for (const auto& entry : fs::recursive_directory_iterator(top))
            test_process::giveToUser(entry.path().string(), uid, gid);
    }
    test_process::giveToUser(home_.path(), uid, gid);
}

ChildResult LauncherSandbox::run(const std::vector<std::string>& arguments, int timeoutMs,
                                 const ChildWatcher& watcher) const {
    if (!available_) throw std::runtime_error("an all-users sandbox needs root");
    handOverToRunUser();
    std::vector<std::string> argv{launcher_};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runChild(argv, environment_, timeoutMs, isolated_ ? &isolation_ : nullptr, watcher);
}

ChildResult LauncherSandbox::runInTerminal(const std::vector<std::string>& arguments,
                                           int timeoutMs) const {
    if (!available_) throw std::runtime_error("an all-users sandbox needs root");
    handOverToRunUser();
    std::vector<std::string> argv{launcher_};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ChildIsolation isolation = isolation_;
    isolation.terminal = true;
    return runChild(argv, environment_, timeoutMs, &isolation);
}

ChildResult LauncherSandbox::runUnprivileged(const std::vector<std::string>& arguments,
                                             int timeoutMs) const {
    if (!isolated_) return run(arguments, timeoutMs);
    ChildIsolation isolation = isolation_;
    isolation.uid = kNobody;
    isolation.gid = kNogroup;
    handOver(isolation.uid, isolation.gid);
    std::vector<std::string> argv{launcher_};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    ChildResult result = runChild(argv, environment_, timeoutMs, &isolation);
    // The launcher keeps its private runtime folder only when it owns it.
    if (isolation_.uid == 0) handOver(0, 0);
    return result;
}

void LauncherSandbox::setRegistryValue(const std::string& key, const std::string& name,
                                       const std::string& value) const {
    const std::string hive = perUser_ ? "HKCU\\" : "HKLM\\";
    const ChildResult result = runChild({builtProgram("tools/zorbit-reg/zorbit-reg"), "add",
                                         hive + key, "/v", name, "/d", value, "/f"},
                                        environment_);
    if (result.exitCode != 0) throw std::runtime_error("zorbit-reg add failed: " + result.err);
}

std::string LauncherSandbox::versionsFolder() const {
    return perUser_ ? home_.file("data/vexmoor-qasite1/Versions/")
                    : home_.file("machine-opt/vexmoor-qasite1/Versions/");
}

std::string LauncherSandbox::downloadsFolder() const {
    return perUser_ ? home_.file("data/vexmoor-qasite1/Downloads/")
                    : home_.file("machine-var-lib/vexmoor-qasite1/Downloads/");
}

std::string LauncherSandbox::versionFolder(const std::string& guid) const {
    return versionsFolder() + guid + "/";
}

void LauncherSandbox::fakeInstalledVersion(const std::string& guid) const {
    fs::create_directories(versionFolder(guid));
    fs::copy_file(LocalPlatformServer::standinBinary(),
                  versionFolder(guid) + "ZorbitStudioBeta.exe",
                  fs::copy_options::overwrite_existing);
    setRegistryValue("SOFTWARE\\StudioQTZorbitReg", "version", guid);
}

std::vector<std::string> LauncherSandbox::logs() const {
    std::vector<std::pair<fs::file_time_type, std::string>> found;
    for (const auto& entry : fs::directory_iterator(home_.file("tmp")))
        if (entry.path().extension() == ".log")
            found.emplace_back(entry.last_write_time(), entry.path().string());
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& [time, path] : found) paths.push_back(path);
    return paths;
}

std::string LauncherSandbox::newestLog() const {
    const auto all = logs();
    return all.empty() ? std::string() : readFile(all.back());
}
