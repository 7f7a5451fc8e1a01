// A fresh install, an update and an uninstall by the launcher as a process,
// against the local platform server, per user and for all users: the files,
// registry values, shortcuts, desktop entries, cookie entries and counters
// each leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "base/format.h"
#include "platform/local_date.h"
#include "platform/md5.h"
#include "support/file_contents.h"
#include "support/launcher_sandbox.h"
#include "support/local_platform_server.h"
#include "support/posix/desktop_files.h"
#include "support/published_files.h"
#include "support/scoped_env.h"
#include "support/test_process.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

namespace fs = std::filesystem;
using platform::RegistryHive;
using platform::RegistryKey;
using zorbit::publish::PublishResult;

namespace {

using Values = std::map<std::string, std::string>;
// A key and every value it must hold, nothing more.
using KeyTable = std::vector<std::pair<std::string, Values>>;

const char* const kScheme = "zorbit-studio-qs1";
const char* const kLauncherName = "ZorbitStudioLauncherBeta.exe";
const char* const kCookieEntries =
    "zbt_evt_initial_install_start={\"os\" : \"Win32\"}&"
    "zbt_evt_initial_install_success={\"os\" : \"Win32\"}&";

const RegistryKey& root(bool perUser) {
    return RegistryKey::root(perUser ? RegistryHive::CurrentUser : RegistryHive::LocalMachine);
}

// Every value of the key: strings as their text, other types tagged
// ("expand:", "dword:"); one entry "(no key)" when the key does not open.
Values valuesOf(bool perUser, const std::string& path) {
    RegistryKeyPtr key = openKey(root(perUser), path);
    if (!key) return {{"(no key)", path}};
    Values values;
    std::string name;
    for (uint32_t i = 0; key->enumValue(i, name) == platform::kErrorSuccess; ++i) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        key->queryValue(name, type, data);
        if (type == platform::kRegDword && data.size() == 4) {
            values[name] = "dword:" + std::to_string(data[0] | data[1] << 8 | data[2] << 16 |
                                                     static_cast<uint32_t>(data[3]) << 24);
            continue;
        }
        std::string text(data.begin(), data.end());
        text = text.substr(0, text.find('\0'));
        values[name] = (type == platform::kRegExpandSz ? "expand:" : "") + text;
    }
    return values;
}

bool keyExists(bool perUser, const std::string& path) {
    return openKey(root(perUser), path) != nullptr;
}

// The words of a desktop entry's Exec line; empty when the file does not load.
std::vector<std::string> execWords(const std::string& file) {
    const auto entry = DesktopEntry::load(file);
    return entry ? splitExecLine(entry->value("Exec")) : std::vector<std::string>{};
}

std::string mimeTypesOf(const std::string& file) {
    const auto entry = DesktopEntry::load(file);
    return entry ? entry->value("MimeType") : "(no entry)";
}

// The package's file name on the setup host, which names its ETag value.
std::string packageFileName(const PublishResult& deployment, size_t index) {
    const std::string name = fs::path(deployment.packages[index].path).filename().string();
    return name.substr(deployment.guid.size() + 1);
}

class InstallUninstallTest : public ::testing::TestWithParam<SandboxScope> {
protected:
    LocalPlatformServer server;
    LauncherSandbox sandbox{&server, GetParam()};
    // This process reads the launcher's registry: the same hives.
    ScopedEnv config{"XDG_CONFIG_HOME", sandbox.path("config")};
    ScopedEnv machine{"ZORBIT_MACHINE_STATE_DIR", sandbox.path("machine")};

    void SetUp() override {
        if (!sandbox.available()) GTEST_SKIP() << "all-users runs need root";
    }
    bool perUser() const { return sandbox.perUser(); }

    // The folders of a scope, as the launcher's mount namespace shows them.
    std::string shareFolder(bool perUser) const {
        return perUser ? sandbox.path("data/") : sandbox.path("machine-usr-local-share/");
    }
    std::string applications(bool perUser) const { return shareFolder(perUser) + "applications/"; }
    std::string programsFolder(bool perUser) const {
        return applications(perUser) + "vexmoor-qasite1/";
    }
    std::string versionsFolder(bool perUser) const {
        return perUser ? sandbox.path("data/vexmoor-qasite1/Versions/")
                       : sandbox.path("machine-opt/vexmoor-qasite1/Versions/");
    }
    std::string versionFolder(bool perUser, const std::string& guid) const {
        return versionsFolder(perUser) + guid + "/";
    }
    // The version folder as the launcher names it in what it writes: the
    // machine's folder for all users, which the sandbox binds.
    std::string installedFolder(bool perUser, const std::string& guid) const {
        return perUser ? versionFolder(perUser, guid)
                       : "/opt/vexmoor-qasite1/Versions/" + guid + "/";
    }
    std::string downloadsFolder(bool perUser) const {
        return perUser ? sandbox.path("data/vexmoor-qasite1/Downloads/")
                       : sandbox.path("machine-var-lib/vexmoor-qasite1/Downloads/");
    }
    std::string desktopShortcut() const { return sandbox.path("Desktop/ZORBIT Studio.desktop"); }
    std::string cookieFile() const { return sandbox.path("data/zbtcsettings.zbt"); }

    // The name the per-user uninstall entry carries: the user the run became.
    std::string runUserName(bool perUser) const {
        using namespace test_process;
        return userName(perUser && runningAsRoot() ? kNobodyId : currentUserId());
    }

    void install() {
        const ChildResult result = sandbox.run({"-install", "-q"});
        ASSERT_EQ(result.exitCode, 0) << result.err << sandbox.newestLog();
    }

    // Every counter name the runs so far posted to the counters service.
    std::multiset<std::string> countersPosted() const {
        std::multiset<std::string> names;
        for (const auto& post : server.requestsFor("/v1.0/MultiIncrement/")) {
            std::stringstream list(post.body.substr(post.body.find('=') + 1));
            for (std::string name; std::getline(list, name, ',');) names.insert(name);
        }
        return names;
    }

    // The keys an install of the scope writes, with their values: the
    // application key, its Versions list, the file type, the protocol and the
    // uninstall entry. The uninstall removes every one of them.
    KeyTable installKeys(bool perUser, const std::string& guid) const {
        const std::string folder = installedFolder(perUser, guid);
        const std::string launcher = folder + kLauncherName;
        const std::string classes = "Software\\Classes\\";
        const std::string protocol = "SOFTWARE\\Classes\\" + std::string(kScheme);
        const platform::LocalDate today = platform::localDate();
        return {
            {kAppKeyPath,
             {{"", launcher},
              {"install host", server.installHost()},
              {"protocol handler scheme", kScheme},
              {"version", guid}}},
            {kAppVersionsKeyPath, {{"version0", guid}}},
            {classes + ".zbtl", {{"", "Zorbit.Place"}}},
            {classes + ".zbtl\\Zorbit.Place", {}},
            {classes + ".zbtl\\Zorbit.Place\\ShellNew", {}},
            {classes + "Zorbit.Place", {{"", "Zorbit Place"}}},
            {classes + "Zorbit.Place\\DefaultIcon", {{"", folder + "ZorbitStudioBeta.exe,0"}}},
            {classes + "Zorbit.Place\\shell", {}},
            {classes + "Zorbit.Place\\shell\\Open", {{"", "Open"}}},
            {classes + "Zorbit.Place\\shell\\Open\\command",
             {{"", "\"" + launcher + "\" -ide \"%1\""}}},
            {protocol, {{"", "URL: Vexmoor Protocol"}, {"URL Protocol", ""}}},
            {protocol + "\\DefaultIcon", {{"", launcher}}},
            {protocol + "\\shell\\open\\command", {{"", "\"" + launcher + "\" %1"}}},
            {kUninstallKeyPath,
             {{"UninstallString",
               "expand:\"" + launcher + "\" -uninstall" + (perUser ? "" : " -alluser")},
              {"Publisher", "Vexmoor"},
              {"URLInfoAbout", "https://" + server.baseHost()},
              {"Comments", guid},
              {"InstallLocation", folder},
              {"NoModify", "dword:1"},
              {"NoRepair", "dword:1"},
              {"DisplayIcon", launcher + ",0"},
              {"InstallDate", format("%04d%02d%02d", today.year, today.month, today.day)},
              {"DisplayName",
               perUser ? "ZORBIT Studio for " + runUserName(perUser) : "ZORBIT Studio"}}},
        };
    }

    Values currentVersionValues(bool perUser) const {
        Values values = valuesOf(perUser, kZorbitCorporationKeyPath);
        values.erase(kCookiePathValue);  // the cookie file's, not the install's
        return values;
    }

    Values expectedEtags(const PublishResult& deployment) const {
        Values etags;
        for (size_t i = 0; i < deployment.packages.size(); ++i)
            etags[packageFileName(deployment, i)] =
                platform::md5Hex(readFile(deployment.packages[i].path));
        return etags;
    }

    // Everything an install of the deployment leaves in the scope.
    void expectInstalled(bool perUser, const PublishResult& deployment) const {
        const std::string folder = versionFolder(perUser, deployment.guid);
        const std::string launcher = installedFolder(perUser, deployment.guid) + kLauncherName;

        // The version folder: the published files, the launcher and its settings.
        std::set<std::string> expectedFiles{kLauncherName, "AppSettings.xml"};
        for (const auto& line : deployment.manifest)
            expectedFiles.insert(manifestPathToNative(line.path));
        EXPECT_EQ(filesBelow(folder), expectedFiles);
        EXPECT_EQ(filesDifferingFromManifest(folder, deployment.manifest),
                  std::vector<std::string>{});
        EXPECT_EQ(platform::md5Hex(readFile(folder + kLauncherName)),
                  platform::md5Hex(readFile(sandbox.launcher())))
            << "the launcher copy is the running launcher";
        EXPECT_EQ(readFile(folder + "AppSettings.xml"),
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Settings>\r\n"
                  "\t<ContentFolder>content</ContentFolder>\r\n\t<BaseUrl>http://" +
                      server.baseHost() + "</BaseUrl>\r\n</Settings>\r\n");

        for (const auto& [path, values] : installKeys(perUser, deployment.guid))
            EXPECT_EQ(valuesOf(perUser, path), values) << path;
        EXPECT_EQ(currentVersionValues(perUser), (Values{{"curZARadadaVer", deployment.guid},
                                                         {"curZARadadaUrl", server.baseHost()}}));
        const Values etags = expectedEtags(deployment);
        EXPECT_EQ(valuesOf(perUser, kEtagsKeyPath), etags);
        for (const auto& [package, etag] : etags)
            EXPECT_TRUE(fs::is_regular_file(downloadsFolder(perUser) + etag)) << package;

        // The programs shortcut and the desktop's handlers start the new launcher.
        EXPECT_EQ(execWords(programsFolder(perUser) + "ZORBIT Studio.desktop"),
                  (std::vector<std::string>{launcher, "-ide"}));
        const std::string protocolEntry = applications(perUser) + kScheme + ".desktop";
        EXPECT_EQ(execWords(protocolEntry), (std::vector<std::string>{launcher, "%u"}));
        EXPECT_EQ(mimeTypesOf(protocolEntry), "x-scheme-handler/" + std::string(kScheme) + ";");
        const std::string placeEntry = applications(perUser) + "zorbit-place.desktop";
        EXPECT_EQ(execWords(placeEntry), (std::vector<std::string>{launcher, "-ide", "%f"}));
        EXPECT_EQ(mimeTypesOf(placeEntry), "application/x-zorbit-place;");
        const std::string mimePackage = readFile(placeMimePackage(perUser));
        EXPECT_NE(mimePackage.find("<mime-type type=\"application/x-zorbit-place\">"),
                  std::string::npos);
        EXPECT_NE(mimePackage.find("<glob pattern=\"*.zbtl\"/>"), std::string::npos);
    }

    // The desktop is the user's whatever the scope: one shortcut for both.
    void expectDesktopShortcut(bool perUser, const std::string& guid) const {
        EXPECT_EQ(
            execWords(desktopShortcut()),
            (std::vector<std::string>{installedFolder(perUser, guid) + kLauncherName, "-ide"}));
    }

    std::string placeMimePackage(bool perUser) const {
        return shareFolder(perUser) + "mime/packages/zorbit-place.xml";
    }

    // What the uninstall of the scope removes: every key, value, file and entry
    // the install made, except the download cache and its ETags.
    void expectUninstalled(bool perUser, const std::string& guid) const {
        for (const auto& [path, values] : installKeys(perUser, guid))
            EXPECT_FALSE(keyExists(perUser, path)) << path;
        EXPECT_EQ(currentVersionValues(perUser), Values{});
        EXPECT_TRUE(fs::is_directory(versionsFolder(perUser)));
        EXPECT_TRUE(fs::is_empty(versionsFolder(perUser)));
        EXPECT_FALSE(fs::exists(programsFolder(perUser)));
        EXPECT_FALSE(fs::exists(applications(perUser) + kScheme + ".desktop"));
        EXPECT_FALSE(fs::exists(applications(perUser) + "zorbit-place.desktop"));
        EXPECT_FALSE(fs::exists(placeMimePackage(perUser)));
    }
};

// An all-users run by a user who also has a per-user installation.
class InstallUninstallOverPerUserTest : public InstallUninstallTest {};

}  // namespace

TEST_P(InstallUninstallTest, AFreshInstallLeavesACompleteRegisteredVersion) {
    ASSERT_NO_FATAL_FAILURE(install());
    expectInstalled(perUser(), server.deployment());
    expectDesktopShortcut(perUser(), server.versionGuid());
    // The cookie file is the user's whatever the scope.
    EXPECT_EQ(valuesOf(true, kZorbitCorporationKeyPath)[kCookiePathValue], cookieFile());
    EXPECT_EQ(readFile(cookieFile()), kCookieEntries);
    const auto counters = countersPosted();
    EXPECT_EQ(counters.count("ZARadadaBootstrapperInstallStarted"), 1u);
    EXPECT_EQ(counters.count("ZARadadaBootstrapperInstallSuccess"), 1u);
    EXPECT_EQ(counters.count("ZARadadaBootstrapperUpdateStarted"), 0u);
}

TEST_P(InstallUninstallTest, AnUpdateMovesEverythingToTheNewVersion) {
    ASSERT_NO_FATAL_FAILURE(install());
    const std::string first = server.versionGuid();
    const PublishResult second = server.publish();
    // Another program's entry alone: an update must neither add to it nor drop it.
    const std::string otherEntries = "zbt_other_program=1&";
    std::ofstream(cookieFile(), std::ios::trunc) << otherEntries;
    ASSERT_NO_FATAL_FAILURE(install());

    expectInstalled(perUser(), second);  // also: Versions holds the new version alone
    expectDesktopShortcut(perUser(), second.guid);
    EXPECT_FALSE(fs::exists(versionFolder(perUser(), first)));
    const auto counters = countersPosted();
    EXPECT_EQ(counters.count("ZARadadaBootstrapperUpdateStarted"), 1u);
    EXPECT_EQ(counters.count("ZARadadaBootstrapperUpdateSuccess"), 1u);
    EXPECT_EQ(counters.count("ZARadadaBootstrapperInstallStarted"), 1u);  // the first run's
    EXPECT_EQ(readFile(cookieFile()), otherEntries);
}

TEST_P(InstallUninstallTest, UninstallRemovesTheInstallationButKeepsCacheAndCookies) {
    ASSERT_NO_FATAL_FAILURE(install());
    const PublishResult deployment = server.deployment();
    // Not quiet: the report is shown to an interactive run only (a quiet run
    // logs "Uninstall ... done" and shows nothing); without a display it is
    // printed.
    // Another program's folder in Versions is not the uninstall's to remove.
    const std::string plugins = versionsFolder(perUser()) + "Plugins";
    fs::create_directories(plugins);
    std::ofstream(plugins + "/settings.txt") << "theirs";
    const ChildResult result = sandbox.run({"-uninstall"});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    EXPECT_EQ(readFile(plugins + "/settings.txt"), "theirs");
    fs::remove_all(plugins);
    expectUninstalled(perUser(), deployment.guid);
    EXPECT_FALSE(fs::exists(desktopShortcut()));
    const Values etags = expectedEtags(deployment);
    EXPECT_EQ(valuesOf(perUser(), kEtagsKeyPath), etags);
    for (const auto& [package, etag] : etags)
        EXPECT_TRUE(fs::is_regular_file(downloadsFolder(perUser()) + etag)) << package;
    EXPECT_EQ(readFile(cookieFile()), kCookieEntries);
    EXPECT_NE(result.out.find("VEXMOOR TEST1 Studio has been uninstalled"), std::string::npos)
        << "out: " << result.out << "\nerr: " << result.err;
}

// An answer that names no version is a failed lookup: nothing is installed
// over the current version and nothing in Versions is removed.
TEST_P(InstallUninstallTest, AnEmptyVersionAnswerFailsAndRemovesNothing) {
    ASSERT_NO_FATAL_FAILURE(install());
    fs::create_directories(versionsFolder(perUser()) + "Plugins");
    std::ofstream(server.root() + "/versionZARadada", std::ios::trunc) << "";
    sandbox.run({"-install", "-q"});
    EXPECT_NE(sandbox.newestLog().find("ERROR: The version lookup answered an empty version GUID"),
              std::string::npos);
    expectInstalled(perUser(), server.deployment());
    EXPECT_TRUE(fs::is_directory(versionsFolder(perUser()) + "Plugins"));
}

// Beside another component of the platform only the Studio's own parts go, and
// what stays starts a launcher that is there; no server is needed for it.
TEST_P(InstallUninstallTest, AnUninstallWithoutServersBesideAnotherComponent) {
    ASSERT_NO_FATAL_FAILURE(install());
    const std::string installed = server.versionGuid();
    createKey(root(perUser()), kOtherComponentUninstallKeyPath);
    zorbit::server::Fault down;
    down.drop = true;
    server.addFault(down);
    const ChildResult result = sandbox.run({"-uninstall", "-q"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::string log = sandbox.newestLog();
    EXPECT_NE(log.find("Uninstalling without the servers"), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(versionFolder(perUser(), installed)));
    EXPECT_FALSE(keyExists(perUser(), kUninstallKeyPath));
    const std::string launcher =
        (perUser() ? versionsFolder(true) : "/opt/vexmoor-qasite1/Versions/") + kLauncherName;
    EXPECT_TRUE(fs::is_regular_file(versionsFolder(perUser()) + kLauncherName));
    EXPECT_EQ(valuesOf(perUser(), kAppKeyPath)[""], launcher);
    EXPECT_EQ(execWords(desktopShortcut()), (std::vector<std::string>{launcher, "-ide"}));
}

// The user's own per-user installation beside a current all-users one (made
// by a forced per-user run) goes in the next all-users run, which must leave
// the all-users installation whole: it has nothing to install again.
TEST_P(InstallUninstallOverPerUserTest, AnAllUsersRunRemovesThePerUserInstallationOnly) {
    ASSERT_NO_FATAL_FAILURE(install());
    const ChildResult perUserRun = sandbox.runUnprivileged({"-install", "-force", "-q"});
    ASSERT_EQ(perUserRun.exitCode, 0) << perUserRun.err << sandbox.newestLog();
    const std::string guid = server.versionGuid();
    ASSERT_EQ(valuesOf(true, kAppKeyPath)["version"], guid);
    ASSERT_TRUE(fs::exists(versionFolder(true, guid) + "ZorbitStudioBeta.exe"));

    ASSERT_NO_FATAL_FAILURE(install());
    expectUninstalled(true, guid);
    expectInstalled(false, server.deployment());
    // The per-user uninstall took the user's desktop shortcut with it.
    EXPECT_FALSE(fs::exists(desktopShortcut()));
}

INSTANTIATE_TEST_SUITE_P(Scopes, InstallUninstallTest,
                         ::testing::Values(SandboxScope::PerUser, SandboxScope::AllUsers),
                         [](const auto& scope) {
                             return scope.param == SandboxScope::PerUser ? "PerUser" : "AllUsers";
                         });
INSTANTIATE_TEST_SUITE_P(Scopes, InstallUninstallOverPerUserTest,
                         ::testing::Values(SandboxScope::AllUsers),
                         [](const auto&) { return "AllUsers"; });
