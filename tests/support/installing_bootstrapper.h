#pragma once
// A Studio Bootstrapper for tests of the install and uninstall steps: silent,
// with a deployment that only records its call (and runs a hook in its place),
// in a sandbox of its own (HOME, XDG folders, machine hive, runtime folder) with
// a desktop folder.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "launcher/bootstrapper_zaradada.h"
#include "platform/process.h"
#include "support/registry_sandbox.h"
#include "ui/main_dialog.h"

class InstallingBootstrapper : public BootstrapperZARadada {
public:
    InstallingBootstrapper() : BootstrapperZARadada(nullptr) { dialog()->setSilent(true); }

    void DeployComponents(bool upgrade, bool unzip) override {
        deployCalls.emplace_back(upgrade, unzip);
        if (deployHook) deployHook();
    }
    void RegisterEvent(const std::string& name) override {
        events.push_back(name);
        BootstrapperZARadada::RegisterEvent(name);
    }
    // A Studio name of its own: tests running beside it never close each other's.
    std::string appExeName() override {
        return "ZorbitStudioBeta-" + std::to_string(platform::currentProcessId()) + ".exe";
    }
    std::string logText() { return readLogFile(logger().fileName()); }

    // The version folder's launcher as a link to the running program, so that
    // the install's self-copy finds itself in place and copies nothing.
    void linkInstalledLauncher() {
#ifdef _WIN32
        // Making links needs a privilege on Windows: a copy is the same program.
        std::filesystem::copy_file(platform::executablePath(), installedLauncherPath());
#else
        std::filesystem::create_symlink(platform::executablePath(), installedLauncherPath());
#endif
    }

    std::vector<std::pair<bool, bool>> deployCalls;
    std::function<void()> deployHook;
    std::vector<std::string> events;
};

struct InstallSandbox {
    RegistrySandbox registry;
    ScopedEnv runtime{"XDG_RUNTIME_DIR", registry.dir().file("run")};
    InstallSandbox() {
        std::filesystem::create_directories(registry.dir().file("run"));
        std::filesystem::create_directories(desktop());
    }
    std::string home(const std::string& relative = {}) const {
        return registry.dir().file("home/" + relative);
    }
    std::string desktop() const { return home("Desktop/"); }
    std::string data() const { return registry.userData(); }
    std::string versions() const { return data() + "vexmoor-qasite1/Versions/"; }
    std::string programs() const { return data() + "applications/vexmoor-qasite1/"; }
};
