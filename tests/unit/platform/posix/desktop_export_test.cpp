#include "platform/desktop_export.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/posix/desktop_files.h"
#include "support/file_contents.h"
#include "support/registry_sandbox.h"

namespace fs = std::filesystem;
using ::testing::Contains;

namespace {

struct DesktopExport : ::testing::Test {
    RegistrySandbox sandbox;
    std::vector<std::string> lines;
    const platform::ExportLog log = [this](const std::string& line) { lines.push_back(line); };
    const platform::FileTypeExport place{"zorbit-place",  "application/x-zorbit-place",
                                         ".zbtl",         "Zorbit Place",
                                         "ZORBIT Studio", "/v/L.exe",
                                         "-ide"};
    const std::string entry = platform::posix::fileTypeEntryPath(true, "zorbit-place");
    const std::string package = platform::posix::mimePackagePath(true, "zorbit-place");
};

}  // namespace

TEST_F(DesktopExport, TheFileTypeIsAPackageAndAHandlerEntry) {
    ASSERT_EQ(platform::exportFileType(true, place, log), "");
    EXPECT_EQ(package, sandbox.dir().file("home/.local/share/mime/packages/zorbit-place.xml"));
    EXPECT_EQ(readFile(package),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
              "  <mime-type type=\"application/x-zorbit-place\">\n"
              "    <comment>Zorbit Place</comment>\n"
              "    <glob pattern=\"*.zbtl\"/>\n"
              "  </mime-type>\n"
              "</mime-info>\n");
    EXPECT_EQ(readFile(entry),
              "[Desktop Entry]\nType=Application\nVersion=1.0\nName=ZORBIT Studio\n"
              "Exec=\"/v/L.exe\" -ide %f\nTerminal=false\n"
              "MimeType=application/x-zorbit-place;\nNoDisplay=true\n");

    platform::removeFileType(true, "zorbit-place", log);
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_FALSE(fs::exists(package));
    EXPECT_THAT(lines, Contains("Removed " + entry));
    EXPECT_THAT(lines, Contains("Removed " + package));
}

TEST_F(DesktopExport, AFileThatCannotBeWrittenIsNamed) {
    fs::create_directories(entry);  // a folder in the entry's place
    EXPECT_EQ(platform::exportFileType(true, place, log), entry);
    const std::string protocol = platform::posix::protocolEntryPath(true, "zorbit-studio-qs1");
    EXPECT_EQ(
        platform::exportProtocol(true, {"zorbit-studio-qs1", "ZORBIT Studio", "/v/L.exe"}, log),
        "");
    EXPECT_THAT(readFile(protocol), ::testing::HasSubstr("\nExec=\"/v/L.exe\" %u\n"));
    platform::removeProtocol(true, "zorbit-studio-qs1", log);
    EXPECT_FALSE(fs::exists(protocol));
}
