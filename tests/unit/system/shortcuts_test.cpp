#include "system/shortcuts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/logger.h"
#include "support/file_contents.h"
#ifndef _WIN32
#include "support/posix/desktop_files.h"
#endif
#include "support/registry_sandbox.h"
#include "support/test_site.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

const char* const kOwn = "ZorbitStudioLauncherBeta.exe";

struct Shortcuts : ::testing::Test {
    RegistrySandbox sandbox;
    simple_logger logger;
    const std::string desktop = sandbox.dir().file("home/Desktop/");
    const std::string programs =
        sandbox.dir().file("home/.local/share/applications/vexmoor-qasite1/");
    const std::string versions = sandbox.dir().file("home/.local/share/vexmoor-qasite1/Versions/");

    void SetUp() override { fs::create_directories(desktop); }
    std::string log() const { return readLogFile(logger.fileName()); }
#ifndef _WIN32
    static std::string target(const std::string& file) {
        const auto entry = DesktopEntry::load(file);
        return entry ? entry->program() : "<unreadable>";
    }
    static std::vector<std::string> words(const std::string& file) {
        return splitExecLine(DesktopEntry::load(file)->value("Exec"));
    }
#endif
    void link(const std::string& file, const std::string& exec) {
        std::ofstream(file) << "[Desktop Entry]\nType=Application\nName=x\nExec=" << exec << "\n";
    }
};

}  // namespace

TEST_F(Shortcuts, FoldersOfTheScope) {
#ifdef _WIN32
    GTEST_SKIP() << "checks the freedesktop entries the Linux build writes; the Windows links are "
                    "tested in ShortcutTest";
#else
    EXPECT_EQ(desktopFolder(), desktop);
    EXPECT_EQ(programsFolder(true, false), programs);
    EXPECT_FALSE(fs::exists(programs));
    EXPECT_EQ(programsFolder(false, false), "/usr/local/share/applications/vexmoor-qasite1/");
    EXPECT_EQ(shortcutFilePath(desktop, kStudioLinkName), desktop + "ZORBIT Studio.desktop");
#endif
}

TEST_F(Shortcuts, AWrittenEntryStartsTheLauncherWithIde) {
#ifdef _WIN32
    GTEST_SKIP() << "checks the freedesktop entries the Linux build writes; the Windows links are "
                    "tested in ShortcutTest";
#else
    const std::string file = desktop + "ZORBIT Studio.desktop";
    std::ofstream(file) << "old content";
    writeShortcutFile(file, "/v/a b/" + std::string(kOwn));
    const auto entry = DesktopEntry::load(file);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->value("Name"), "ZORBIT Studio");
    EXPECT_EQ(entry->value("Type"), "Application");
    EXPECT_EQ(words(file), (std::vector<std::string>{"/v/a b/" + std::string(kOwn), "-ide"}));
    ASSERT_TRUE(fs::exists(file));
    EXPECT_TRUE(ownerMayRun(file)) << "desktops start only executable entries";
#endif
}

TEST_F(Shortcuts, CreateShortcutWritesWhenForcedOrPresent) {
#ifdef _WIN32
    GTEST_SKIP() << "checks the freedesktop entries the Linux build writes; the Windows links are "
                    "tested in ShortcutTest";
#else
    createShortcut(logger, true, "/v1/L", false, false);
    EXPECT_FALSE(fs::exists(programs)) << "no entry, no folder";
    createShortcut(logger, true, "/v1/L", false, true);
    EXPECT_EQ(target(programs + "ZORBIT Studio.desktop"), "/v1/L");

    createShortcut(logger, true, "/v1/L", true, false);
    EXPECT_FALSE(fs::exists(desktop + "ZORBIT Studio.desktop"));
    createShortcut(logger, true, "/v1/L", true, true);
    createShortcut(logger, true, "/v2/L", true, false);  // present: retargeted
    EXPECT_EQ(target(desktop + "ZORBIT Studio.desktop"), "/v2/L");
    EXPECT_THAT(log(),
                HasSubstr("shortcut status: '" + desktop + "ZORBIT Studio.desktop', exists = 1"));
    EXPECT_THAT(log(), HasSubstr("Creating shortcut: " + desktop + "ZORBIT Studio.desktop"));

    fs::remove_all(desktop);
    createShortcut(logger, true, "/v1/L", true, true);
    EXPECT_FALSE(fs::exists(desktop)) << "no desktop folder is made";
#endif
}

TEST_F(Shortcuts, ExistingEntriesFollowTheCurrentLauncher) {
#ifdef _WIN32
    GTEST_SKIP() << "checks the freedesktop entries the Linux build writes; the Windows links are "
                    "tested in ShortcutTest";
#else
    link(desktop + "older version.desktop", "\"/v/old/" + std::string(kOwn) + "\" -ide");
    link(desktop + "earlier studio.desktop", "/x/ZorbitStudioLauncher.exe -ide");
    link(desktop + "player.desktop", "/x/Zorbit.exe -play");
    link(desktop + "other.desktop", "/usr/bin/firefox %u");
    std::ofstream(desktop + "notes.txt") << "Exec=/x/ZorbitStudioLauncher.exe";
    fs::create_directories(desktop + "folder.desktop");
    const std::string current = versions + "v2/";
    updateExistingZorbitShortcuts(logger, desktop, current, versions, kOwn);
    EXPECT_EQ(words(desktop + "older version.desktop"),
              (std::vector<std::string>{current + kOwn, "-ide"}));
    EXPECT_EQ(target(desktop + "earlier studio.desktop"), versions + kOwn);
    EXPECT_EQ(target(desktop + "player.desktop"), "/x/Zorbit.exe");
    EXPECT_EQ(target(desktop + "other.desktop"), "/usr/bin/firefox");
    const std::string text = log();
    EXPECT_THAT(text, HasSubstr("Searching for link files in : " + desktop + " folder"));
    EXPECT_THAT(text, HasSubstr("Updating link: " + desktop +
                                "older version.desktop with path: " + current + kOwn));
    EXPECT_THAT(text, HasSubstr("Studio bootstrapper found name = ZorbitStudioLauncher.exe"));
    EXPECT_THAT(
        text, HasSubstr("Old studio link - updating link: " + desktop + "earlier studio.desktop"));
    EXPECT_THAT(text, HasSubstr("updateExistingZorbitShortcuts isStudio = 0"));
#endif
}

TEST_F(Shortcuts, AnUnreadableEntryStopsTheScan) {
#ifdef _WIN32
    GTEST_SKIP() << "checks the freedesktop entries the Linux build writes; the Windows links are "
                    "tested in ShortcutTest";
#else
    fs::create_symlink("/no/such/target", desktop + "broken.desktop");
    EXPECT_THROW(updateExistingZorbitShortcuts(logger, desktop, "/v/", versions, kOwn),
                 std::runtime_error);
    EXPECT_NO_THROW(
        updateExistingZorbitShortcuts(logger, desktop + "missing/", "/v/", versions, kOwn));
#endif
}

TEST_F(Shortcuts, LegacyNamesAreFoundAndRemoved) {
#ifdef _WIN32
    GTEST_SKIP() << "checks the freedesktop entries the Linux build writes; the Windows links are "
                    "tested in ShortcutTest";
#else
    EXPECT_FALSE(hasOldStudioDesktopShortcut(logger));
    link(desktop + "Zorbit Studio.desktop", "/x/L");
    EXPECT_TRUE(hasOldStudioDesktopShortcut(logger));
    EXPECT_THAT(log(), HasSubstr("hasDesktopShortcut - checking file = " + desktop +
                                 "Zorbit Studio.desktop"));

    fs::create_directories(programs);
    for (const char* name : {"Play Zorbit", "ZORBIT Studio Beta", "ZORBIT Studio 2.0",
                             "ZORBIT Studio 2.0 Beta", "ZORBIT Studio 2013", "ZORBIT Studio"}) {
        link(desktop + name + ".desktop", "/x/L");
        link(programs + name + ".desktop", "/x/L");
    }
    removeOldStudioShortcuts(logger, true);
    auto left = [](const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(left(desktop),
              (std::vector<std::string>{"ZORBIT Studio.desktop", "Zorbit Studio.desktop"}));
    EXPECT_EQ(left(programs), (std::vector<std::string>{"ZORBIT Studio.desktop"}));
    EXPECT_TRUE(deleteDesktopShortcut(logger, "Zorbit Studio"));
    EXPECT_FALSE(deleteDesktopShortcut(logger, "Zorbit Studio"));
    deleteProgramsShortcut(logger, false, "ZORBIT Studio");  // no such folder: nothing happens
#endif
}

TEST_F(Shortcuts, TheStudiosShortcutsReportTheirOutcomeAndNeverRaise) {
#ifdef _WIN32
    GTEST_SKIP() << "checks the freedesktop entries the Linux build writes; the Windows links are "
                    "tested in ShortcutTest";
#else
    TestSite site;
    site.programDirectoryPath = versions + "v2/";
    std::vector<std::string> events;
    auto record = [&](const std::string& event) { events.push_back(event); };
    createStudioShortcuts(site, {true, kOwn, [&] { return versions + "v2/" + kOwn; }, record},
                          false);
    EXPECT_EQ(target(programs + "ZORBIT Studio.desktop"), versions + "v2/" + kOwn);
    EXPECT_FALSE(fs::exists(desktop + "ZORBIT Studio.desktop")) << "neither forced nor there";
    EXPECT_EQ(events, (std::vector<std::string>{"BoostrapperCreateShortcutsStarted",
                                                "BoostrapperCreateShortcutsSuccess"}));

    events.clear();
    auto noPath = []() -> std::string { throw std::runtime_error("no launcher path"); };
    EXPECT_NO_THROW(createStudioShortcuts(site, {true, kOwn, noPath, record}, true));
    EXPECT_EQ(events, (std::vector<std::string>{"BoostrapperCreateShortcutsStarted",
                                                "BoostrapperCreateShortcutsFailure"}));
    EXPECT_THAT(site.logText(), HasSubstr("no launcher path\n"));
#endif
}
