// The shared game launcher as a Windows program of the platform loads it: the
// built DLL, its C entry point found by name, starting the registered player.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/studio_standin.h"
#include "wine/support/wine_environment.h"
#include "wine/support/wine_prefix.h"

namespace fs = std::filesystem;

TEST(SharedLauncherUnderWine, TheLibrarysEntryStartsTheRegisteredPlayer) {
    ASSERT_EQ(wineEnvironmentProblem(), "");
    const std::string library = windowsBuildProgram("src/libZorbitSharedLauncher.dll");
    const std::string helper = windowsBuildProgram("tools/zorbit-win-helper/zorbit-win-helper.exe");
    ASSERT_TRUE(fs::exists(library) && fs::exists(helper)) << "build the windows preset first";
    WinePrefix prefix;
    const std::string player = prefix.unixPath("C:\\Player\\ZorbitPlayerBeta.exe");
    fs::create_directories(fs::path(player).parent_path());
    fs::copy_file(windowsBuildProgram("tools/zorbit-studio-standin/ZorbitStudioBeta.exe"), player);
    // Wine's own token is an administrator's, so the machine's key names the player.
    prefix.setRegistryValue("HKLM\\Software\\ZorbitReg", "", "C:\\Player\\ZorbitPlayerBeta.exe");

    const ChildResult result = prefix.run({helper, "start-game", WinePrefix::windowsPath(library),
                                           "TICKET", "http://auth", "http://script a", "Ready"});
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    std::vector<StandinStart> starts;
    for (int i = 0; i < 400 && starts.empty(); ++i) {
        try {
            starts = readStandinStarts(player);
        } catch (const std::runtime_error&) {
        }
        if (starts.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ASSERT_EQ(starts.size(), 1u) << result.out;
    EXPECT_EQ(starts[0].args, (std::vector<std::string>{"-play", "http://script a", "http://auth",
                                                        "TICKET", "Ready", "nonHidden"}));
}
