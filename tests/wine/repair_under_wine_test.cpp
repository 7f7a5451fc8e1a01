// The Windows launcher under Wine mending what went wrong: a damaged
// installation, a newer published launcher, and installs killed part way.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "support/file_contents.h"
#include "support/published_files.h"
#include "support/test_process.h"
#include "wine/support/wine_fixture.h"

namespace fs = std::filesystem;

namespace {

using RepairUnderWineTest = WineTest;

std::string lastLines(const std::string& text, size_t count) {
    size_t at = text.size();
    for (size_t n = 0; n <= count && at != std::string::npos && at > 0; ++n)
        at = text.rfind('\n', at - 1);
    return at == std::string::npos ? text : text.substr(at + 1);
}

// Waits for a launcher log that holds both texts; answers it, or empty.
std::string waitForLog(const WineSandbox& sandbox, const std::string& first,
                       const std::string& second) {
    for (int i = 0; i < 1200; ++i) {
        for (const std::string& path : sandbox.logs()) {
            const std::string log = readFile(path);
            if (log.find(first) != std::string::npos && log.find(second) != std::string::npos)
                return log;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return "";
}

}  // namespace

TEST_P(RepairUnderWineTest, AStartWithoutArgumentsRepairsADamagedInstallation) {
    ASSERT_NO_FATAL_FAILURE(install());
    const auto& deployment = server->deployment();
    const std::string folder = sandbox->versionFolder(deployment.guid);
    const std::string missing = manifestPathToNative(deployment.manifest.front().path);
    const std::string damaged = manifestPathToNative(deployment.manifest.back().path);
    fs::remove(folder + missing);
    std::ofstream(folder + damaged, std::ios::trunc) << "damaged";

    // Started without arguments, the launcher checks every file of the version.
    const ChildResult result = sandbox->runProgram(installedLauncher(deployment.guid), {});
    EXPECT_EQ(result.exitCode, 0) << result.err << sandbox->newestLog();
    EXPECT_EQ(filesDifferingFromManifest(folder, deployment.manifest), std::vector<std::string>{})
        << sandbox->newestLog();
}

TEST_P(RepairUnderWineTest, ANewerPublishedLauncherTakesOverWithTheSameArguments) {
    server = std::make_unique<LocalPlatformServer>(windowsServerOptions([] {
        LocalPlatformServerOptions options;
        options.launcherVersion = "1, 6, 3, 174";
        return options;
    }()));
    sandbox = std::make_unique<WineSandbox>(*server, scope());
    const std::string awkward = "quote\" and blank";
    const ChildResult result = sandbox->run({"-install", "-q", awkward});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(
        server->requestsFor("/" + server->versionGuid() + "-ZorbitStudioLauncherBeta.exe").size(),
        1u);
    const std::string second = waitForLog(*sandbox, "started by a self-update",
                                          "CSimpleModule::WinMain Bring app to front again.");
    ASSERT_NE(second, "") << sandbox->logs().size() << " logs, the newest ends:\n"
                          << lastLines(sandbox->newestLog(), 30);
    EXPECT_NE(second.find("module file version: 1, 6, 3, 174"), std::string::npos) << second;
    // Lines end in CR LF on Windows.
    EXPECT_NE(second.find("value = " + awkward + "\r\n"), std::string::npos) << second;
}

// Killed as the downloads begin, half way through them, and while
// registering (an update by then); the run after ends with the version complete.
TEST_P(RepairUnderWineTest, ARunAfterAKilledInstallEndsComplete) {
    const size_t packages = server->deployment().packages.size();
    auto packageRequests = [&] {
        size_t count = 0;
        for (const auto& entry : server->journal())
            count +=
                entry.path.size() > 4 && entry.path.compare(entry.path.size() - 4, 4, ".zip") == 0;
        return count;
    };
    auto logHas = [&](const std::string& text) {
        const auto logs = sandbox->logs();
        return !logs.empty() && readFile(logs.back()).find(text) != std::string::npos;
    };
    const std::vector<std::pair<const char*, std::function<bool(size_t)>>> points{
        {"downloads begin", [&](size_t before) { return packageRequests() > before; }},
        {"downloads half done",
         [&](size_t before) { return packageRequests() >= before + packages / 2; }},
        {"registering", [&](size_t) { return logHas("DoInstallApp - writeAppSettings()"); }},
    };
    for (const auto& [point, reached] : points) {
        SCOPED_TRACE(point);
        const size_t before = packageRequests();
        bool killed = false;
        sandbox->run({"-install", "-q"}, 90000, [&, &reached = reached](int) {
            if (!killed && reached(before))
                killed = sandbox->prefix().killPrograms("ZorbitStudioLauncherBeta.exe") > 0;
        });
        EXPECT_TRUE(killed) << "the run ended before it could be killed";
        if (point == points[1].first) server->publish();
    }
    ASSERT_NO_FATAL_FAILURE(install());
    expectInstalled(server->deployment());
}

INSTANTIATE_TEST_SUITE_P(Scopes, RepairUnderWineTest,
                         ::testing::Values(WineScope::PerUser, WineScope::AllUsers), scopeName);
