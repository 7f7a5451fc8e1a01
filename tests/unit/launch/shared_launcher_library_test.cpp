// The shared game launcher as other programs load it: the built shared library,
// opened by path, its entry points found by name.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "base/errors.h"
#include "base/logger.h"
#include "launch/shared_launcher.h"
#include "launch/shared_launcher_exports.h"
#include "platform/elevation.h"
#include "support/local_platform_server.h"
#include "support/registry_sandbox.h"
#include "support/shared_library.h"
#include "support/studio_standin.h"
#include "support/test_process.h"
#include "system/registry_operations.h"

namespace {

using Args = std::vector<std::string>;
using CStartGame = decltype(&ZorbitSharedLauncher_StartGame);
using CppStartGame = decltype(&SharedLauncher::StartGame);

// SharedLauncher::StartGame as the C++ ABI names it.
const char* kCppStartGameSymbol =
    "_ZN14SharedLauncher9StartGameER13simple_loggerRKNSt7__cxx1112basic_stringIcSt11char_"
    "traitsIcESaIcEEES9_S9_RKN8platform4GuidEbS9_bS9_NS_10LaunchModeE";

struct SharedLauncherLibraryTest : ::testing::Test {
    RegistrySandbox sandbox;
    ScopedEnv lifetime{"ZORBIT_STANDIN_LIFETIME_MS", "30000"};
    std::unique_ptr<SharedLibrary> library;
    std::string player;

    void SetUp() override {
        std::string error;
        library = SharedLibrary::load(ZORBIT_SHARED_LAUNCHER_PATH, error);
        ASSERT_NE(library, nullptr) << error;
    }
    void TearDown() override {
        if (!player.empty())
            for (const auto& started : readStandinStarts(player))
                test_process::killProcess(started.pid);
        library.reset();
    }

    template <typename Function>
    Function entry(const char* name) {
        return library->entry<Function>(name);
    }

    void installPlayer() {
        player = sandbox.dir().file("player");
        std::filesystem::copy_file(LocalPlatformServer::standinBinary(), player);
        createKey(platform::isElevated() ? platform::RegistryHive::LocalMachine
                                         : platform::RegistryHive::CurrentUser,
                  SharedLauncher::kPlayerKeyPath, player);
    }

    Args playerArguments() const {
        for (int i = 0; i < 2000; ++i) {
            try {
                const auto starts = readStandinStarts(player);
                if (!starts.empty()) return starts.front().args;
            } catch (const std::runtime_error&) {
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return {};
    }
};

}  // namespace

TEST_F(SharedLauncherLibraryTest, CEntryStartsTheInstalledPlayer) {
    installPlayer();
    auto startGame = entry<CStartGame>("ZorbitSharedLauncher_StartGame");
    ASSERT_NE(startGame, nullptr);
    const ZorbitGuid classId{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    char description[256] = "unchanged";
    EXPECT_EQ(startGame("TICKET", "http://auth", "http://script a", &classId, 1, "Ready", 0,
                        nullptr, 0, description, sizeof description),
              0);
    EXPECT_STREQ(description, "");
    EXPECT_EQ(playerArguments(),
              (Args{"-play", "http://script a", "http://auth", "TICKET", "Ready", "nonHidden"}));
}

TEST_F(SharedLauncherLibraryTest, CEntryReportsNothingInstalled) {
    auto startGame = entry<CStartGame>("ZorbitSharedLauncher_StartGame");
    ASSERT_NE(startGame, nullptr);
    char full[256];
    EXPECT_EQ(
        startGame("T", nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, 2, full, sizeof full),
        SharedLauncher::kEFail);
    EXPECT_EQ(std::string(full), errorText(SharedLauncher::kEFail) +
                                     " (hr=0x80004005). operation: "
                                     "Open HKEY_LOCAL_MACHINE\\Software\\ZorbitReg key");
    char cut[40];
    startGame("T", nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr, 2, cut, sizeof cut);
    EXPECT_EQ(std::string(cut), std::string(full).substr(0, sizeof cut - 1));
}

TEST_F(SharedLauncherLibraryTest, CppEntryIsExportedByName) {
    installPlayer();
    auto startGame = entry<CppStartGame>(kCppStartGameSymbol);
    ASSERT_NE(startGame, nullptr) << "no entry point " << kCppStartGameSymbol;
    simple_logger logger;
    EXPECT_EQ(startGame(logger, "T", "", "", platform::Guid{}, false, "", false, "",
                        SharedLauncher::Play),
              0);
    EXPECT_EQ(playerArguments().front(), "-play");
    EXPECT_NE(readLogFile(logger.fileName()).find("Final cmd = \"" + player + "\" -play"),
              std::string::npos);
}

TEST_F(SharedLauncherLibraryTest, KeepsTheRestOfTheLauncherInside) {
    EXPECT_EQ(entry<void*>("_Z20buildLaunchArgumentsRK13LaunchOptions"), nullptr);
    EXPECT_EQ(entry<void*>("_ZN8platform12startProcessERKNSt7__cxx1112basic_stringIcSt11char_"
                           "traitsIcESaIcEEERNS_11ProcessInfoE"),
              nullptr);
}
