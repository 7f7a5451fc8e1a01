// An update fetches only the parts of its packages that changed: unchanged
// files come from the installed version, every file still matches the new
// version's manifest, and a server without ranges gets the packages whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "install/download_cache.h"
#include "platform/md5.h"
#include "support/file_contents.h"
#include "support/launcher_sandbox.h"
#include "support/local_platform_server.h"
#include "support/published_files.h"
#include "support/scoped_env.h"

namespace fs = std::filesystem;
using zorbit::publish::PublishResult;
using zorbit::server::Fault;

namespace {

class DifferentialUpdateTest : public ::testing::Test {
protected:
    LocalPlatformServer server{serverOptions()};
    LauncherSandbox sandbox{&server};
    // This process reads the launcher's ETag store: the same hives.
    ScopedEnv config{"XDG_CONFIG_HOME", sandbox.path("config")};
    ScopedEnv machine{"ZORBIT_MACHINE_STATE_DIR", sandbox.path("machine")};

    static LocalPlatformServerOptions serverOptions() {
        LocalPlatformServerOptions options;
        options.syntheticBytes = 2 * 1024 * 1024;
        options.syntheticFiles = 200;
        return options;
    }

    void installAndCheck(const PublishResult& version) {
        const ChildResult result = sandbox.run({"-install", "-q"});
        ASSERT_EQ(result.exitCode, 0) << result.err << sandbox.newestLog();
        EXPECT_EQ(filesDifferingFromManifest(sandbox.versionFolder(version.guid), version.manifest),
                  std::vector<std::string>{});
    }

    // Body bytes the server sent for the version's packages, and their sizes.
    struct Traffic {
        uint64_t sent = 0;
        uint64_t packages = 0;
        size_t wholeBodies = 0;  // answers that sent a package whole
    };
    Traffic trafficOf(const PublishResult& version) const {
        Traffic traffic;
        for (const auto& package : version.packages) {
            traffic.packages += package.zipBytes;
            for (const auto& request :
                 server.requestsFor("/" + fs::path(package.path).filename().string())) {
                traffic.sent += request.bodyBytesSent;
                if (request.header("Range").empty() && request.status == 200) ++traffic.wholeBodies;
            }
        }
        return traffic;
    }

    // The packages of next whose bytes differ from the same package of first.
    static std::vector<bool> changedPackages(const PublishResult& first,
                                             const PublishResult& next) {
        std::vector<bool> changed;
        for (size_t i = 0; i < next.packages.size(); ++i)
            changed.push_back(readFile(first.packages[i].path) != readFile(next.packages[i].path));
        return changed;
    }
    // The files that did not change in packages that did, by their manifest
    // lines (the manifest lists the packages' files in table order).
    static std::vector<std::string> unchangedFilesOfChangedPackages(const PublishResult& first,
                                                                    const PublishResult& next) {
        const std::vector<bool> changed = changedPackages(first, next);
        std::vector<std::string> files;
        size_t line = 0;
        for (size_t i = 0; i < next.packages.size(); ++i) {
            for (size_t k = 0; k < next.packages[i].files; ++k, ++line)
                if (changed[i] && next.manifest[line].md5 == first.manifest[line].md5)
                    files.push_back(next.manifest[line].path);
        }
        return files;
    }

    size_t logCount(const std::string& text) const {
        const std::string log = sandbox.newestLog();
        size_t count = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
            ++count;
        return count;
    }
};

}  // namespace

TEST_F(DifferentialUpdateTest, AnUpdateFetchesOnlyTheChangedFiles) {
    const PublishResult first = server.deployment();
    installAndCheck(first);
    const PublishResult next = server.publishChanged(5);
    installAndCheck(next);

    // The record kept by the first install vouched for every installed file.
    EXPECT_EQ(
        logCount(std::to_string(first.manifest.size()) + " in the record of the installed files"),
        1u)
        << sandbox.newestLog();
    const Traffic traffic = trafficOf(next);
    EXPECT_EQ(traffic.wholeBodies, 0u) << sandbox.newestLog();
    // The installed version's manifest vouches for the files it shares.
    EXPECT_EQ(server.requestsFor("/" + first.guid + "-zbtManifest.txt").size(), 1u);
    EXPECT_LT(traffic.sent, traffic.packages / 4);
    // One line per package; those that did not change are the cached ones.
    const std::vector<bool> changed = changedPackages(first, next);
    const size_t unchanged = static_cast<size_t>(std::count(changed.begin(), changed.end(), false));
    ASSERT_LT(unchanged, next.packages.size());
    EXPECT_EQ(logCount(": fetched "), next.packages.size()) << sandbox.newestLog();
    EXPECT_EQ(logCount("downloading it whole"), unchanged) << sandbox.newestLog();
    EXPECT_EQ(logCount("downloading it whole: the download cache holds the package"), unchanged);
    EXPECT_EQ(logCount(", reused 0 bytes"), unchanged) << sandbox.newestLog();
    // A package that changed was never downloaded whole: the ETag store names
    // no copy of it, and the installed version's copy is gone. One that did
    // not change is still the cached one.
    ASSERT_TRUE(fs::is_directory(sandbox.downloadsFolder()));
    for (size_t i = 0; i < next.packages.size(); ++i) {
        const std::string etag = readStoredEtag(sandbox.perUser(), next.packages[i].package);
        EXPECT_EQ(etag, changed[i] ? "" : platform::md5Hex(readFile(next.packages[i].path)))
            << next.packages[i].package;
        if (changed[i]) {
            EXPECT_FALSE(fs::exists(sandbox.downloadsFolder() +
                                    platform::md5Hex(readFile(first.packages[i].path))));
        }
    }
}

TEST_F(DifferentialUpdateTest, DamagedInstalledFilesAreFetchedAgain) {
    const PublishResult first = server.deployment();
    installAndCheck(first);
    const PublishResult next = server.publishChanged(5);
    // Unchanged files of changed packages with the same size and other bytes,
    // one of them with its time set back, and one file gone: none may be
    // taken over.
    const std::string folder = sandbox.versionFolder(first.guid);
    const std::vector<std::string> unchanged = unchangedFilesOfChangedPackages(first, next);
    ASSERT_GE(unchanged.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        const std::string path = folder + manifestPathToNative(unchanged[i]);
        const auto time = fs::last_write_time(path);
        std::string bytes = readFile(path);
        bytes[bytes.size() / 2] ^= 0x01;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        if (i == 1) fs::last_write_time(path, time);
    }
    fs::remove(folder + manifestPathToNative(first.manifest.back().path));

    installAndCheck(next);
    EXPECT_EQ(trafficOf(next).wholeBodies, 0u) << sandbox.newestLog();
}

TEST_F(DifferentialUpdateTest, AServerWithoutRangesSendsThePackagesWhole) {
    const PublishResult first = server.deployment();
    installAndCheck(first);
    Fault noRanges;
    noRanges.path = "*.zip";
    noRanges.ignoreRange = true;
    server.addFault(noRanges);
    const PublishResult next = server.publishChanged(5);
    installAndCheck(next);

    // The changed packages come whole and are cached as before; the others
    // the cache still holds.
    const std::vector<bool> changed = changedPackages(first, next);
    const size_t whole = static_cast<size_t>(std::count(changed.begin(), changed.end(), true));
    EXPECT_EQ(logCount("downloading it whole: the server answered 200 to a range"), whole)
        << sandbox.newestLog();
    EXPECT_EQ(trafficOf(next).wholeBodies, whole);
    for (const auto& package : next.packages)
        EXPECT_EQ(readStoredEtag(sandbox.perUser(), package.package),
                  platform::md5Hex(readFile(package.path)));
}

TEST_F(DifferentialUpdateTest, APackageThatChangesUnderwayIsDownloadedWhole) {
    const PublishResult first = server.deployment();
    installAndCheck(first);
    const PublishResult next = server.publishChanged(5);
    const std::vector<bool> changed = changedPackages(first, next);
    // The largest that changed: more than its tail is asked for.
    size_t index = next.packages.size();
    for (size_t i = 0; i < next.packages.size(); ++i)
        if (changed[i] && (index == next.packages.size() ||
                           next.packages[i].zipBytes > next.packages[index].zipBytes))
            index = i;
    ASSERT_LT(index, next.packages.size());
    // Its tail comes under another ETag than the ranges after it: If-Range fails.
    Fault otherTag;
    otherTag.path = "/" + fs::path(next.packages[index].path).filename().string();
    otherTag.etag = zorbit::server::EtagFault::Wrong;
    otherTag.times = 1;
    server.addFault(otherTag);
    installAndCheck(next);

    EXPECT_EQ(logCount("Package " + next.packages[index].package +
                       ": downloading it whole: the server answered 200 to a range"),
              1u)
        << sandbox.newestLog();
    EXPECT_EQ(readStoredEtag(sandbox.perUser(), next.packages[index].package),
              platform::md5Hex(readFile(next.packages[index].path)));
}
