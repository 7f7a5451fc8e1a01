// The publisher: which package holds which file, and a deployment read back
// the way the launcher reads it (zip entries, manifest, texts, stamped launcher).
#include "publisher.h"

#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "component_table.h"
#include "launcher_stamp.h"
#include "platform/md5.h"
#include "platform/process.h"
#include "platform/resource_block.h"
#include "support/local_platform_server.h"
#include "synthetic_build.h"
#include "zip_writer.h"

namespace {

namespace fs = std::filesystem;
using namespace zorbit::publish;

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

struct ZipEntry {
    std::string content;
    uint32_t dosDate = 0;
};

std::map<std::string, ZipEntry> readZip(const std::string& path) {
    std::map<std::string, ZipEntry> entries;
    unzFile zip = unzOpen(path.c_str());
    if (!zip) throw std::runtime_error("not a zip: " + path);
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
        unz_file_info info{};
        char name[512];
        unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        EXPECT_EQ(info.compression_method, static_cast<uLong>(Z_DEFLATED)) << name;
        ZipEntry entry;
        entry.dosDate = static_cast<uint32_t>(info.dosDate);
        entry.content.resize(info.uncompressed_size);
        unzOpenCurrentFile(zip);
        const int read = unzReadCurrentFile(zip, entry.content.data(),
                                            static_cast<unsigned>(entry.content.size()));
        EXPECT_EQ(read, static_cast<int>(entry.content.size()));
        EXPECT_EQ(unzCloseCurrentFile(zip), UNZ_OK);
        entries[name] = std::move(entry);
    }
    unzClose(zip);
    return entries;
}

TEST(ComponentTable, SixteenPackagesInTheLaunchersOrder) {
    const auto& table = componentTable();
    ASSERT_EQ(table.size(), 16u);
    EXPECT_EQ(table[0].package, "redist.zip");
    EXPECT_EQ(table[1].package, "ZorbitStudio.zip");
    EXPECT_EQ(table[10].package, "content-textures3.zip");
    EXPECT_EQ(table[10].folder, "PlatformContent\\pc\\textures\\");
    EXPECT_EQ(table[15].package, "imageformats.zip");
    EXPECT_EQ(table[15].folder, "imageformats\\");
}

TEST(ComponentTable, FilesGoToThePackageOfTheirFolder) {
    EXPECT_EQ(packageOf("ZorbitStudioBeta.exe"), kStudioPackage);
    EXPECT_EQ(packageOf("redist_vc.dat"), kRedistPackage);
    EXPECT_EQ(packageOf("Redist.msi"), kRedistPackage);
    EXPECT_EQ(packageOf("libQt5Core.so.5"), kLibrariesPackage);
    EXPECT_EQ(packageOf("Qt5Core.dll"), kLibrariesPackage);
    EXPECT_EQ(packageOf("Qt/plugin.dll"), kStudioPackage);  // a folder the table does not name
    EXPECT_EQ(packageOf("content/readme.txt"), kStudioPackage);
    EXPECT_EQ(packageOf("content/fonts/a.ttf"), 3u);
    EXPECT_EQ(packageOf("content/fonts/sub/a.ttf"), 3u);
    EXPECT_EQ(packageOf("content/textures/a.png"), kTexturesPackage);
    EXPECT_EQ(packageOf("content/textures/sky/a.png"), kTextures2Package);
    EXPECT_EQ(packageOf("PlatformContent/pc/terrain/t.dds"), 11u);
    EXPECT_EQ(packageOf("content/texturesX/a.png"), kStudioPackage);

    EXPECT_EQ(entryNameOf("content/textures/sky/a.png", kTextures2Package), "sky\\a.png");
    EXPECT_EQ(entryNameOf("Qt/plugins/x.dll", kStudioPackage), "Qt\\plugins\\x.dll");
    EXPECT_EQ(entryNameOf("ZorbitStudioBeta.exe", kStudioPackage), "ZorbitStudioBeta.exe");
}

TEST(ZipWriter, DosTimeOfLocalTime) {
    // 2021-03-04 05:06:08 local time.
    tm local{};
    local.tm_year = 121, local.tm_mon = 2, local.tm_mday = 4, local.tm_hour = 5, local.tm_min = 6,
    local.tm_sec = 8, local.tm_isdst = -1;
    const uint32_t dos = dosDateTime(mktime(&local));
    EXPECT_EQ(dos >> 16, (41u << 9) | (3u << 5) | 4u);
    EXPECT_EQ(dos & 0xFFFF, (5u << 11) | (6u << 5) | 4u);
    EXPECT_EQ(dosDateTime(0) >> 16, (0u << 9) | (1u << 5) | 1u);  // before 1980: its first day
}

struct PublisherTest : ::testing::Test {
    TempDir temp;
    std::string build = temp.file("build");
    std::string root = temp.file("root");

    PublishOptions options() {
        PublishOptions options;
        options.root = root;
        options.buildFolder = build;
        options.port = 4321;
        return options;
    }
};

TEST_F(PublisherTest, PackagesHoldTheBuildAndTheManifestListsIt) {
    SyntheticBuildOptions synthetic;
    synthetic.totalBytes = 200 * 1024;
    synthetic.fileCount = 120;
    synthetic.studioExecutable = LocalPlatformServer::standinBinary();
    generateSyntheticBuild(build, synthetic);
    writeFile(fs::path(build) / "Qt" / "plugins" / "x.dll", "plugin");
    const PublishResult result = publishDeployment(options());

    // Every build file, in the package and under the name its folder gives it.
    std::map<std::string, std::string> expected;  // version-folder path -> content
    for (const auto& entry : fs::recursive_directory_iterator(build)) {
        if (!entry.is_regular_file()) continue;
        std::string path = fs::relative(entry.path(), build).generic_string();
        std::replace(path.begin(), path.end(), '/', '\\');
        expected[path] = readFile(entry.path().string());
    }
    ASSERT_EQ(result.packages.size(), 16u);
    std::map<std::string, std::string> packaged;
    for (size_t i = 0; i < 16; ++i) {
        const auto& package = result.packages[i];
        EXPECT_EQ(package.package, componentTable()[i].package);
        EXPECT_EQ(fs::path(package.path).filename().string(), result.guid + "-" + package.package);
        const auto entries = readZip(package.path);
        EXPECT_FALSE(entries.empty()) << package.package;
        EXPECT_EQ(entries.size(), package.files);
        for (const auto& [name, entry] : entries) {
            EXPECT_EQ(name.find('/'), std::string::npos) << name;
            const std::string path = componentTable()[i].folder + name;
            EXPECT_TRUE(packaged.emplace(path, entry.content).second) << "twice: " << path;
        }
    }
    EXPECT_EQ(packaged, expected);
    EXPECT_TRUE(packaged.count("ZorbitStudioBeta.exe"));
    EXPECT_TRUE(packaged.count("Qt\\plugins\\x.dll"));

    // The manifest: path line, MD5 line, in package order, matching the content.
    const std::string manifest = readFile(result.manifestPath);
    std::istringstream lines(manifest);
    std::string path, md5;
    size_t pairs = 0;
    while (std::getline(lines, path) && std::getline(lines, md5)) {
        ASSERT_TRUE(expected.count(path)) << path;
        EXPECT_EQ(md5, platform::md5Hex(expected[path])) << path;
        ++pairs;
    }
    EXPECT_EQ(pairs, expected.size());
    EXPECT_EQ(manifest.find('\r'), std::string::npos);
    EXPECT_EQ(manifest.back(), '\n');
}

TEST_F(PublisherTest, EntriesCarryTheFilesTimes) {
    writeFile(fs::path(build) / "ZorbitStudioBeta.exe", "exe");
    for (size_t i = 0; i < 16; ++i) {
        if (i == kStudioPackage) continue;
        const std::string folder = buildFolderOf(i);
        const std::string name = i == kRedistPackage      ? "redist.dat"
                                 : i == kLibrariesPackage ? "lib.so"
                                 : i == kTextures2Package ? "sub/t.bin"
                                                          : "f.bin";
        writeFile(fs::path(build) / (folder.empty() ? name : folder + "/" + name), "x");
    }
    const auto exe = fs::path(build) / "ZorbitStudioBeta.exe";
    const auto when = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    fs::last_write_time(exe, when);
    const PublishResult result = publishDeployment(options());
    const auto entries = readZip(result.packages[kStudioPackage].path);
    const auto modified = std::chrono::file_clock::to_sys(fs::last_write_time(exe));
    EXPECT_EQ(entries.at("ZorbitStudioBeta.exe").dosDate,
              dosDateTime(std::chrono::system_clock::to_time_t(
                  std::chrono::time_point_cast<std::chrono::system_clock::duration>(modified))));
    EXPECT_EQ(readZip(result.packages[kTextures2Package].path).count("sub\\t.bin"), 1u);
}

TEST_F(PublisherTest, AnEmptyPackageIsRefused) {
    writeFile(fs::path(build) / "ZorbitStudioBeta.exe", "exe");
    try {
        publishDeployment(options());
        FAIL() << "published packages without files";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("redist.zip"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(fs::exists(fs::path(root) / "versionZARadada"));
}

TEST_F(PublisherTest, VersionFileCdnAndStampedLauncher) {
    SyntheticBuildOptions synthetic;
    synthetic.totalBytes = 32 * 1024;
    generateSyntheticBuild(build, synthetic);
    PublishOptions publish = options();
    publish.guid = "version-0123456789abcdef";
    publish.launcherPath = LocalPlatformServer::launcherBinary();
    publish.manifestCrlf = true;
    const PublishResult result = publishDeployment(publish);

    EXPECT_EQ(readFile(root + "/versionZARadada"), "version-0123456789abcdef");
    EXPECT_EQ(readFile(root + "/cdn.txt"), "cdn.qasite1.zorbit.localhost:4321");
    const std::string ownVersion = launcherVersionText(LocalPlatformServer::launcherBinary());
    ASSERT_FALSE(ownVersion.empty());
    EXPECT_EQ(readFile(root + "/version-0123456789abcdef-BootstrapperZARadadaVersion.txt"),
              ownVersion);
    EXPECT_NE(readFile(result.manifestPath).find(".dat\r\n"), std::string::npos);

    const auto texts = platform::readResourceBlock(
        root + "/version-0123456789abcdef-ZorbitStudioLauncherBeta.exe");
    ASSERT_TRUE(texts);
    EXPECT_EQ(texts->at("104"), "www.qasite1.zorbit.localhost:4321");
    EXPECT_EQ(texts->at("105"), "www.qasite1.zorbit.localhost:4321");
    EXPECT_EQ(texts->at("ProductionDomain"), ".zorbit.localhost:4321");
    EXPECT_EQ(texts->at("FileVersion"), ownVersion);
    EXPECT_NE(fs::status(result.launcherPath).permissions() & fs::perms::owner_exec,
              fs::perms::none);

    // A second version with a newer launcher: both texts carry it, the old files stay.
    publish.guid = "version-2";
    publish.launcherVersion = "1, 6, 3, 174";
    publishDeployment(publish);
    EXPECT_EQ(readFile(root + "/versionZARadada"), "version-2");
    EXPECT_EQ(readFile(root + "/version-2-BootstrapperZARadadaVersion.txt"), "1, 6, 3, 174");
    EXPECT_EQ(launcherVersionText(root + "/version-2-ZorbitStudioLauncherBeta.exe"),
              "1, 6, 3, 174");
    EXPECT_TRUE(fs::exists(root + "/version-0123456789abcdef-redist.zip"));
}

TEST(SyntheticBuild, SameSeedSameBytes) {
    TempDir temp;
    SyntheticBuildOptions synthetic;
    synthetic.totalBytes = 64 * 1024;
    synthetic.fileCount = 20;
    generateSyntheticBuild(temp.file("a"), synthetic);
    generateSyntheticBuild(temp.file("b"), synthetic);
    synthetic.seed = 2;
    generateSyntheticBuild(temp.file("c"), synthetic);
    uint64_t total = 0;
    size_t files = 0, differing = 0;
    for (const auto& entry : fs::recursive_directory_iterator(temp.file("a"))) {
        if (!entry.is_regular_file()) continue;
        const auto relative = fs::relative(entry.path(), temp.file("a"));
        EXPECT_EQ(readFile(entry.path()), readFile(temp.file("b") + "/" + relative.string()));
        if (readFile(entry.path()) != readFile(temp.file("c") + "/" + relative.string()))
            ++differing;
        total += entry.file_size();
        ++files;
    }
    EXPECT_EQ(files, 20u);
    EXPECT_GT(differing, 0u);
    EXPECT_LE(total, 64u * 1024);
    EXPECT_GT(total, 60u * 1024);
}

TEST(PublisherProgram, PublishesASyntheticBuild) {
    TempDir temp;
    const std::string out = temp.file("out.txt");
    platform::ProcessInfo process;
    // Output through a shell: the process layer does not redirect.
    ASSERT_TRUE(platform::startProcess(
        platform::joinCommandLine(
            {"/bin/sh", "-c",
             "\"$0\" --root \"$1\" --synthetic-mb 0.1 --synthetic-files 30 --guid g1 > \"$2\"",
             LocalPlatformServer::publisherBinary(), temp.file("root"), out}),
        process));
    int exitCode = -1;
    ASSERT_TRUE(platform::waitForProcess(process, 60000, &exitCode));
    EXPECT_EQ(exitCode, 0);
    const std::string printed = readFile(out);
    EXPECT_EQ(printed.rfind("guid g1\n", 0), 0u) << printed;
    EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 17);
    EXPECT_EQ(readFile(temp.file("root") + "/versionZARadada"), "g1");
    EXPECT_TRUE(fs::exists(temp.file("root") + "/g1-imageformats.zip"));

    // A version like g1 with a tenth of its files changed: the same paths and
    // sizes, three other digests.
    ASSERT_TRUE(platform::startProcess(
        platform::joinCommandLine({"/bin/sh", "-c",
                                   "\"$0\" --root \"$1\" --like g1 --change 10 --guid g2 > \"$2\"",
                                   LocalPlatformServer::publisherBinary(), temp.file("root"), out}),
        process));
    ASSERT_TRUE(platform::waitForProcess(process, 60000, &exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_NE(readFile(out).find("guid g2\nchanged 3 files\n"), std::string::npos) << readFile(out);
    std::istringstream before(readFile(temp.file("root") + "/g1-zbtManifest.txt"));
    std::istringstream after(readFile(temp.file("root") + "/g2-zbtManifest.txt"));
    std::string path, digest, newPath, newDigest;
    size_t changed = 0;
    while (std::getline(before, path) && std::getline(before, digest)) {
        ASSERT_TRUE(std::getline(after, newPath) && std::getline(after, newDigest));
        EXPECT_EQ(newPath, path);
        if (newDigest != digest) ++changed;
    }
    EXPECT_EQ(changed, 3u);
    EXPECT_EQ(readFile(temp.file("root") + "/versionZARadada"), "g2");
}

}  // namespace

namespace {

// The launcher reads its own block from memory: a stamped copy must run as stamped.
TEST(LocalPlatformServerFixture, StampedLauncherRunsWithTheNewVersion) {
    LocalPlatformServerOptions options;
    options.publish = false;
    LocalPlatformServer platform(options);
    const std::string launcher =
        platform.stampLauncher(platform.root() + "/launcher", "1, 6, 3, 999");
    const auto texts = platform::readResourceBlock(launcher);
    ASSERT_TRUE(texts);
    EXPECT_EQ(texts->at("104"), platform.installHost());
    EXPECT_EQ(texts->at("105"), platform.baseHost());

    const std::string out = platform.root() + "/version.txt";
    platform::ProcessInfo process;
    ASSERT_TRUE(platform::startProcess(
        platform::joinCommandLine({"/bin/sh", "-c", "\"$0\" --version > \"$1\"", launcher, out}),
        process));
    int exitCode = -1;
    ASSERT_TRUE(platform::waitForProcess(process, 30000, &exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(readFile(out), "1.6.3.999\n");
}

}  // namespace
