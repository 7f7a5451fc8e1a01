#include "support/launcher_sandbox.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "support/local_platform_server.h"
#include "support/test_bootstrapper.h"

namespace fs = std::filesystem;

LauncherSandbox::LauncherSandbox(const LocalPlatformServer* server) {
    for (const char* folder : {"tmp", "run", "bin", "config", "data", "cache", "machine"})
        fs::create_directories(home_.file(folder));
    ::chmod(home_.file("run").c_str(), 0700);
    environment_ = {
        {"HOME", home_.path()},
        {"TMPDIR", home_.file("tmp")},
        {"XDG_CONFIG_HOME", home_.file("config")},
        {"XDG_DATA_HOME", home_.file("data")},
        {"XDG_CACHE_HOME", home_.file("cache")},
        {"XDG_RUNTIME_DIR", home_.file("run")},
        {"ZORBIT_MACHINE_STATE_DIR", home_.file("machine")},
        {"DISPLAY", ""},
        {"WAYLAND_DISPLAY", ""},
    };
    launcher_ = home_.file("bin/ZorbitStudioLauncherBeta.exe");
    if (server) {
        server->stampLauncher(launcher_);
    } else {
        fs::copy_file(LocalPlatformServer::launcherBinary(), launcher_);
    }
}

ChildResult LauncherSandbox::run(const std::vector<std::string>& arguments, int timeoutMs) const {
    std::vector<std::string> argv{launcher_};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runChild(argv, environment_, timeoutMs);
}

std::vector<std::string> LauncherSandbox::logs() const {
    std::vector<std::pair<fs::file_time_type, std::string>> found;
    for (const auto& entry : fs::directory_iterator(home_.file("tmp")))
        if (entry.path().extension() == ".log") found.emplace_back(entry.last_write_time(), entry.path().string());
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& [time, path] : found) paths.push_back(path);
    return paths;
}

std::string LauncherSandbox::newestLog() const {
    const auto all = logs();
    return all.empty() ? std::string() : readFile(all.back());
}
