#include "platform/shortcut.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/file_contents.h"
#include "support/temp_dir.h"

TEST(Shortcut, AWrittenLinkReplacesTheFileAndIsStartable) {
#ifdef _WIN32
    GTEST_SKIP()
        << "checks the freedesktop entries the Linux build writes; Windows writes .lnk files";
#endif
    TempDir dir;
    const std::string file = platform::shortcutPath(dir.path() + "/", "ZORBIT Studio");
    EXPECT_EQ(file, dir.path() + "/ZORBIT Studio.desktop");
    std::ofstream(file) << "old content";
    ASSERT_TRUE(platform::writeShortcut(file, {"ZORBIT Studio", "/v/1 2/L.exe", "-ide"}));
    EXPECT_EQ(readFile(file),
              "[Desktop Entry]\nType=Application\nVersion=1.0\nName=ZORBIT Studio\n"
              "Exec=\"/v/1 2/L.exe\" -ide\nTerminal=false\n");
    EXPECT_TRUE(ownerMayRun(file)) << "desktops start only executable entries";
    EXPECT_FALSE(platform::writeShortcut(dir.file("missing/x.desktop"), {"x", "/L", ""}));
}

TEST(Shortcut, RetargetingKeepsTheRestOfTheLinkAndItsMode) {
#ifdef _WIN32
    GTEST_SKIP()
        << "checks the freedesktop entries the Linux build writes; Windows writes .lnk files";
#endif
    TempDir dir;
    const std::string file = dir.file("old.desktop");
    std::ofstream(file) << "[Desktop Entry]\nName=Old\nExec=/old/L.exe -ide\nIcon=x\n";
    auto shortcut = platform::ShortcutFile::load(file);
    ASSERT_TRUE(shortcut);
    EXPECT_EQ(shortcut->target(), "/old/L.exe");
    ASSERT_TRUE(shortcut->retarget("/new/L.exe"));
    EXPECT_EQ(readFile(file), "[Desktop Entry]\nName=Old\nExec=\"/new/L.exe\" -ide\nIcon=x\n");
    EXPECT_FALSE(ownerMayRun(file));
    EXPECT_FALSE(platform::ShortcutFile::load(dir.file("missing.desktop")));
}

TEST(Shortcut, LinksAreKnownByTheirFileName) {
#ifdef _WIN32
    GTEST_SKIP()
        << "checks the freedesktop entries the Linux build writes; Windows writes .lnk files";
#endif
    EXPECT_TRUE(platform::isShortcutFileName("ZORBIT Studio.desktop"));
    EXPECT_FALSE(platform::isShortcutFileName(".desktop"));
    EXPECT_FALSE(platform::isShortcutFileName("notes.txt"));
}
