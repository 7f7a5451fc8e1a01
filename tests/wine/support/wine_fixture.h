#pragma once
// What every test under Wine starts from: a local platform server that
// publishes the Windows launcher and the Windows stand-in, and the checks of
// an installation as Windows sees it (its files, its registry keys through
// `reg query`, its shell links through the shell's own link object).

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/local_platform_server.h"
#include "wine/support/wine_sandbox.h"

LocalPlatformServerOptions windowsServerOptions(LocalPlatformServerOptions options = {});

// A key and every value it must hold, nothing more.
using KeyTable = std::vector<std::pair<std::string, RegistryValues>>;

class WineTest : public ::testing::TestWithParam<WineScope> {
protected:
    void SetUp() override;

    WineScope scope() const { return GetParam(); }
    bool perUser() const { return scope() == WineScope::PerUser; }

    // Runs the launcher; asserts it ended well.
    void install(const std::vector<std::string>& arguments = {"-install", "-q"});
    // The installed launcher of a version, as the launcher writes its path.
    std::string installedLauncher(const std::string& guid) const {
        return sandbox->versionWindowsFolder(guid) + "ZorbitStudioLauncherBeta.exe";
    }
    std::string standin(const std::string& guid) const {
        return sandbox->versionFolder(guid) + "ZorbitStudioBeta.exe";
    }

    // The keys an install writes, with their values.
    KeyTable installKeys(const std::string& guid) const;
    // The link's target and arguments; empty when it does not load.
    std::pair<std::string, std::string> link(const std::string& windowsPath) const;
    std::vector<std::string> linkFiles() const;

    void expectInstalled(const zorbit::publish::PublishResult& deployment) const;
    void expectUninstalled(const std::string& guid) const;

    std::unique_ptr<LocalPlatformServer> server;
    std::unique_ptr<WineSandbox> sandbox;
};

std::string scopeName(const ::testing::TestParamInfo<WineScope>& info);
