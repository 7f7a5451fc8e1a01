#include "platform/posix/desktop_entry.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/file_contents.h"
#include "support/temp_dir.h"

using namespace platform::posix;
using Words = std::vector<std::string>;

// What a desktop reads back from an Exec value written in a file.
static Words execWords(const std::string& fileValue) {
    return splitExecLine(unescapeStringValue(fileValue));
}

TEST(DesktopEntryExec, PathsWithAwkwardCharactersStayOneWord) {
    for (const char* path :
         {"/opt/vexmoor-qasite1/Versions/v 1/ZorbitStudioLauncherBeta.exe", "/home/a\"b/L.exe",
          "/x/$HOME/`id`/L.exe", "/x/back\\slash/L.exe", "/x/100%/L.exe", "/x/tab\there/L.exe"}) {
        const std::string fileValue = escapeStringValue(quoteExecArgument(path) + " -ide %f");
        EXPECT_EQ(execWords(fileValue), (Words{path, "-ide", "%f"})) << fileValue;
    }
}

TEST(DesktopEntryExec, EscapingFollowsTheDesktopEntryRules) {
    // A backslash inside quotes is escaped for the command line, then again as a string.
    EXPECT_EQ(escapeStringValue(quoteExecArgument("a\\b")), "\"a\\\\\\\\b\"");
    EXPECT_EQ(quoteExecArgument("a b\"c$d`e%f"), "\"a b\\\"c\\$d\\`e%%f\"");
    EXPECT_EQ(splitExecLine("plain \"two words\" %u"), (Words{"plain", "two words", "%u"}));
    EXPECT_EQ(unescapeStringValue("a\\sb\\nc\\\\d\\;"), "a b\nc\\d\\;");
}

TEST(DesktopEntry, NewApplicationEntry) {
    const DesktopEntry entry = DesktopEntry::application("ZORBIT Studio", "/v/1 2/L.exe", "-ide");
    EXPECT_EQ(entry.text(),
              "[Desktop Entry]\nType=Application\nVersion=1.0\nName=ZORBIT Studio\n"
              "Exec=\"/v/1 2/L.exe\" -ide\nTerminal=false\n");
    EXPECT_EQ(entry.program(), "/v/1 2/L.exe");
}

TEST(DesktopEntry, RetargetingKeepsEverythingElse) {
    TempDir dir;
    const std::string file = dir.file("old.desktop");
    std::ofstream(file) << "# kept\n[Desktop Entry]\nName=Old\nExec = /old/L.exe -ide \"%f\"\r\n"
                           "Icon=x\n[Desktop Action New]\nExec=/old/L.exe -new\n";
    auto entry = DesktopEntry::load(file);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->program(), "/old/L.exe");
    entry->setProgram("/new dir/L.exe");
    ASSERT_TRUE(entry->save(file));
    EXPECT_EQ(readFile(file),
              "# kept\n[Desktop Entry]\nName=Old\nExec=\"/new dir/L.exe\" -ide \"%f\"\n"
              "Icon=x\n[Desktop Action New]\nExec=/old/L.exe -new\n");
}

TEST(DesktopEntry, KeysAreAddedToTheMainGroup) {
    DesktopEntry entry = *DesktopEntry::load("/dev/null");
    entry.setValue("Exec", "x");
    EXPECT_EQ(entry.text(), "[Desktop Entry]\nExec=x\n");
    EXPECT_EQ(entry.value("Missing"), "");
    EXPECT_EQ(entry.program(), "x");
    EXPECT_FALSE(DesktopEntry::load("/no/such/file.desktop"));
}
