#include "wine/support/wine_fixture.h"

#include <filesystem>
#include <sstream>

#include "base/format.h"
#include "platform/local_date.h"
#include "platform/md5.h"
#include "support/file_contents.h"
#include "support/published_files.h"
#include "system/registry_keys.h"
#include "wine/support/wine_environment.h"

namespace fs = std::filesystem;

namespace {

const char* const kScheme = "zorbit-studio-qs1";

}  // namespace

LocalPlatformServerOptions windowsServerOptions(LocalPlatformServerOptions options) {
    options.launcherProgram = windowsBuildProgram("src/ZorbitStudioLauncherBeta.exe");
    options.standinProgram =
        windowsBuildProgram("tools/zorbit-studio-standin/ZorbitStudioBeta.exe");
    return options;
}

std::string scopeName(const ::testing::TestParamInfo<WineScope>& info) {
    return info.param == WineScope::PerUser ? "PerUser" : "AllUsers";
}

void WineTest::SetUp() {
    ASSERT_EQ(wineEnvironmentProblem(), "") << "the tests under Wine cannot run here";
    for (const char* program :
         {"src/ZorbitStudioLauncherBeta.exe", "tools/zorbit-studio-standin/ZorbitStudioBeta.exe",
          "tools/zorbit-win-helper/zorbit-win-helper.exe"})
        ASSERT_TRUE(fs::exists(windowsBuildProgram(program)))
            << windowsBuildProgram(program) << ": build the windows preset first";
    server = std::make_unique<LocalPlatformServer>(windowsServerOptions());
    sandbox = std::make_unique<WineSandbox>(*server, scope());
}

void WineTest::install(const std::vector<std::string>& arguments) {
    const ChildResult result = sandbox->run(arguments);
    ASSERT_EQ(result.exitCode, 0) << result.err << sandbox->newestLog();
}

KeyTable WineTest::installKeys(const std::string& guid) const {
    const std::string hive = sandbox->hive() + "\\";
    const std::string folder = sandbox->versionWindowsFolder(guid);
    const std::string launcher = installedLauncher(guid);
    const std::string classes = hive + "Software\\Classes\\";
    const std::string protocol = classes + kScheme;
    const platform::LocalDate today = platform::localDate();
    return {
        {hive + kAppKeyPath,
         {{"", launcher},
          {"install host", server->installHost()},
          {"protocol handler scheme", kScheme},
          {"version", guid}}},
        {hive + kAppVersionsKeyPath, {{"version0", guid}}},
        {classes + ".zbtl", {{"", "Zorbit.Place"}}},
        {classes + "Zorbit.Place", {{"", "Zorbit Place"}}},
        {classes + "Zorbit.Place\\DefaultIcon", {{"", folder + "ZorbitStudioBeta.exe,0"}}},
        {classes + "Zorbit.Place\\shell\\Open", {{"", "Open"}}},
        {classes + "Zorbit.Place\\shell\\Open\\command",
         {{"", "\"" + launcher + "\" -ide \"%1\""}}},
        {protocol, {{"", "URL: Vexmoor Protocol"}, {"URL Protocol", ""}}},
        {protocol + "\\DefaultIcon", {{"", launcher}}},
        {protocol + "\\shell\\open\\command", {{"", "\"" + launcher + "\" %1"}}},
        {hive + kUninstallKeyPath,
         {{"UninstallString",
           "expand:\"" + launcher + "\" -uninstall" + (perUser() ? "" : " -alluser")},
          {"Publisher", "Vexmoor"},
          {"URLInfoAbout", "https://" + server->baseHost()},
          {"Comments", guid},
          {"InstallLocation", folder},
          {"NoModify", "dword:1"},
          {"NoRepair", "dword:1"},
          {"DisplayIcon", launcher + ",0"},
          {"InstallDate", format("%04d%02d%02d", today.year, today.month, today.day)},
          {"DisplayName",
           perUser() ? "ZORBIT Studio for " + WinePrefix::userName() : "ZORBIT Studio"}}},
    };
}

std::pair<std::string, std::string> WineTest::link(const std::string& windowsPath) const {
    const ChildResult result =
        sandbox->prefix().run({windowsBuildProgram("tools/zorbit-win-helper/zorbit-win-helper.exe"),
                               "link", windowsPath});
    if (result.exitCode != 0) return {};
    std::istringstream lines(result.out);
    std::string target, arguments;
    std::getline(lines, target);
    std::getline(lines, arguments);
    for (std::string* text : {&target, &arguments})
        if (!text->empty() && text->back() == '\r') text->pop_back();
    return {target, arguments};
}

std::vector<std::string> WineTest::linkFiles() const {
    return {sandbox->programsWindowsFolder() + "ZORBIT Studio.lnk",
            sandbox->desktopWindowsFolder() + "ZORBIT Studio.lnk"};
}

void WineTest::expectInstalled(const zorbit::publish::PublishResult& deployment) const {
    const std::string folder = sandbox->versionFolder(deployment.guid);
    std::set<std::string> expectedFiles{"ZorbitStudioLauncherBeta.exe", "AppSettings.xml"};
    for (const auto& line : deployment.manifest)
        expectedFiles.insert(manifestPathToNative(line.path));
    EXPECT_EQ(filesBelow(folder), expectedFiles);
    EXPECT_EQ(filesDifferingFromManifest(folder, deployment.manifest), std::vector<std::string>{});
    EXPECT_EQ(platform::md5Hex(readFile(folder + "ZorbitStudioLauncherBeta.exe")),
              platform::md5Hex(readFile(sandbox->launcher())))
        << "the launcher copy is the running launcher";
    for (const auto& [key, values] : installKeys(deployment.guid))
        EXPECT_EQ(sandbox->prefix().registryValues(key), values) << key;
    for (const std::string& file : linkFiles())
        EXPECT_EQ(link(file),
                  std::make_pair(installedLauncher(deployment.guid), std::string("-ide")))
            << file;
}

void WineTest::expectUninstalled(const std::string& guid) const {
    for (const auto& [key, values] : installKeys(guid))
        EXPECT_FALSE(sandbox->prefix().registryKeyExists(key)) << key;
    // Windows keeps a running program's file: the uninstall started from the
    // version folder leaves its own launcher there.
    EXPECT_EQ(filesBelow(sandbox->versionsFolder()),
              std::set<std::string>{guid + "/ZorbitStudioLauncherBeta.exe"});
    for (const std::string& file : linkFiles())
        EXPECT_FALSE(fs::exists(sandbox->prefix().unixPath(file))) << file;
}
