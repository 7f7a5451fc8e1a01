// A launcher killed at any moment of an install or an update (downloads,
// unpacking, registration) leaves nothing that the next run does not finish,
// and never records a version whose files are incomplete; a package transfer
// cut short asks only for the rest of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "platform/md5.h"
#include "support/file_contents.h"
#include "support/launcher_sandbox.h"
#include "support/local_platform_server.h"
#include "support/published_files.h"
#include "support/scoped_env.h"
#include "support/test_process.h"
#include "system/registry_keys.h"
#include "system/registry_operations.h"

namespace fs = std::filesystem;
using platform::RegistryHive;
using platform::RegistryKey;
using zorbit::publish::ManifestLine;
using zorbit::server::Fault;

namespace {

// The sanitizer pass kills at fewer points: each of its launcher runs takes
// several times longer, and the release pass covers the full series.
#ifdef ZORBIT_SANITIZED_BUILD
constexpr int kKillPoints = 8;
constexpr int kMinKillsPerPhase = 1;
constexpr uint64_t kVersionBytes = 1024 * 1024;
constexpr size_t kVersionFiles = 96;
#else
constexpr int kKillPoints = 24;
constexpr int kMinKillsPerPhase = 6;
constexpr uint64_t kVersionBytes = 3 * 1024 * 1024;
constexpr size_t kVersionFiles = 240;
#endif
constexpr int kKilled = 128 + SIGKILL;

size_t lineCount(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The span of a complete run's log in which it installs: from the start of
// the install to its success, in lines.
struct InstallSpan {
    size_t first = 0;
    size_t last = 0;

    static InstallSpan of(const std::string& log) {
        InstallSpan span;
        size_t line = 0;
        for (size_t at = 0; at < log.size(); at = log.find('\n', at) + 1, ++line) {
            const std::string text = log.substr(at, log.find('\n', at) - at);
            if (span.first == 0 && text.find("Bootstrapper::install") != std::string::npos)
                span.first = line;
            if (text.find("BootstrapperInstallSuccess") != std::string::npos ||
                text.find("BootstrapperUpdateSuccess") != std::string::npos)
                span.last = line;
            if (log.find('\n', at) == std::string::npos) break;
        }
        return span;
    }
    // The line after which the kill of point `index` (of `count`) comes.
    size_t killLine(int index, int count) const {
        return first + (last - first) * (2 * static_cast<size_t>(index) + 1) /
                           (2 * static_cast<size_t>(count));
    }
};

class InterruptedInstallTest : public ::testing::Test {
protected:
    LocalPlatformServer server{serverOptions()};
    LauncherSandbox sandbox{&server};
    // This process reads the launcher's registry: the same hives.
    ScopedEnv config{"XDG_CONFIG_HOME", sandbox.path("config")};
    ScopedEnv machine{"ZORBIT_MACHINE_STATE_DIR", sandbox.path("machine")};
    std::map<std::string, std::vector<ManifestLine>> manifests;

    // Enough files that unpacking takes a while beside the downloads.
    static LocalPlatformServerOptions serverOptions() {
        LocalPlatformServerOptions options;
        options.syntheticBytes = kVersionBytes;
        options.syntheticFiles = kVersionFiles;
        return options;
    }

    void SetUp() override { manifests[server.versionGuid()] = server.deployment().manifest; }

    std::string publish() {
        const auto deployment = server.publish();
        manifests[deployment.guid] = deployment.manifest;
        return deployment.guid;
    }

    std::string recordedVersion() const {
        const RegistryHive hive =
            sandbox.perUser() ? RegistryHive::CurrentUser : RegistryHive::LocalMachine;
        RegistryKeyPtr key = openKey(RegistryKey::root(hive), kAppKeyPath);
        std::string version;
        if (key) tryReadStringValue(*key, "version", 260, version);
        return version;
    }

    // The files of the version that are missing or differ from its manifest.
    std::vector<std::string> damagedFiles(const std::string& guid) const {
        return filesDifferingFromManifest(sandbox.versionFolder(guid), manifests.at(guid));
    }

    std::vector<std::string> leftoverTemporaryFiles(const std::string& guid) const {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(sandbox.versionFolder(guid)))
            if (entry.path().filename().string().starts_with(".zbt-"))
                found.push_back(entry.path().string());
        return found;
    }

    std::vector<std::string> versionFolders() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(sandbox.versionsFolder()))
            if (entry.is_directory()) names.push_back(entry.path().filename().string());
        return names;
    }

    ChildResult install(const ChildWatcher& watcher = {}) const {
        return sandbox.run({"-install", "-q"}, 120000, watcher);
    }

    // Runs an install and kills it once its log has passed the given line.
    ChildResult installKilledAfter(size_t line) const {
        const auto before = sandbox.logs();
        const std::set<std::string> earlier(before.begin(), before.end());
        std::string log;
        return install([&](int pid) {
            if (log.empty()) {
                for (const std::string& path : sandbox.logs())
                    if (!earlier.count(path)) log = path;
                if (log.empty()) return;
            }
            if (lineCount(readFile(log)) > line) test_process::killProcess(pid);
        });
    }

    // A complete run's log span, for a fresh install or an update.
    InstallSpan completeRun() {
        const ChildResult result = install();
        EXPECT_EQ(result.exitCode, 0) << result.err << sandbox.newestLog();
        return InstallSpan::of(sandbox.newestLog());
    }

    // Where a killed run was, by the steps its log had reached.
    static std::string phaseOf(const std::string& log) {
        if (log.find("writeAppSettings()") != std::string::npos) return "registering";
        if (log.find("DeployComponents()") != std::string::npos) return "deploying";
        return "preparing";
    }

    // The largest package's path on the setup host, with its size and ETag.
    struct Package {
        std::string path;
        uint64_t size = 0;
        std::string etag;
    };
    Package largestPackage() const {
        const auto& packages = server.deployment().packages;
        const auto largest =
            std::max_element(packages.begin(), packages.end(),
                             [](const auto& a, const auto& b) { return a.zipBytes < b.zipBytes; });
        return {"/" + fs::path(largest->path).filename().string(), largest->zipBytes,
                "\"" + platform::md5Hex(readFile(largest->path)) + "\""};
    }
    // Its transfer breaks once, halfway through the body.
    void cutOnceHalfway(const Package& package) {
        Fault cut;
        cut.path = package.path;
        cut.truncateAfter = static_cast<int64_t>(package.size / 2);
        cut.times = 1;
        server.addFault(cut);
    }
    uint64_t bodyBytesSent(const std::string& path) const {
        uint64_t sent = 0;
        for (const auto& request : server.requestsFor(path)) sent += request.bodyBytesSent;
        return sent;
    }

    static std::string lastLine(const std::string& log) {
        const size_t end = log.find_last_not_of('\n');
        if (end == std::string::npos) return "";
        const size_t start = log.rfind('\n', end);
        return log.substr(start == std::string::npos ? 0 : start + 1,
                          end - (start == std::string::npos ? 0 : start + 1) + 1);
    }
};

}  // namespace

// Every point alternates a fresh install (after an uninstall) and an update
// to a newly published version, each killed further into its run.
TEST_F(InterruptedInstallTest, ARunAfterAKilledInstallEndsWithTheCurrentVersionComplete) {
    const InstallSpan fresh = completeRun();
    publish();
    const InstallSpan update = completeRun();
    ASSERT_LT(fresh.first, fresh.last);
    ASSERT_LT(update.first, update.last);

    std::map<std::string, int> killsIn;
    for (int point = 0; point < kKillPoints; ++point) {
        const bool isFresh = point % 2 == 0;
        std::string guid = publish();
        if (isFresh) {
            ASSERT_EQ(sandbox.run({"-uninstall", "-q"}).exitCode, 0);
        }
        const InstallSpan& span = isFresh ? fresh : update;
        const ChildResult killed = installKilledAfter(span.killLine(point / 2, kKillPoints / 2));
        const std::string killedAt = lastLine(sandbox.newestLog());
        SCOPED_TRACE(std::string(isFresh ? "fresh install" : "update") +
                     " killed after: " + killedAt);
        if (killed.exitCode == kKilled) ++killsIn[phaseOf(sandbox.newestLog())];

        const std::string recorded = recordedVersion();
        if (!recorded.empty()) {
            EXPECT_EQ(damagedFiles(recorded), std::vector<std::string>{})
                << "recorded " << recorded;
        }

        // Now and then a newer version comes out before the next run.
        if (point % 4 == 1) guid = publish();

        const ChildResult rerun = install();
        ASSERT_EQ(rerun.exitCode, 0) << rerun.err << sandbox.newestLog();
        EXPECT_EQ(recordedVersion(), guid);
        EXPECT_EQ(damagedFiles(guid), std::vector<std::string>{});
        EXPECT_EQ(leftoverTemporaryFiles(guid), std::vector<std::string>{});
        // An earlier version's folder may outlive a kill during its removal, but
        // never an install, which retires every folder but the current one.
        const bool installed =
            sandbox.newestLog().find("Bootstrapper::install\n") != std::string::npos;
        if (installed) {
            EXPECT_EQ(versionFolders(), std::vector<std::string>{guid});
        }
    }
    const std::string last = publish();
    ASSERT_EQ(install().exitCode, 0) << sandbox.newestLog();
    EXPECT_EQ(versionFolders(), std::vector<std::string>{last});

    EXPECT_GE(killsIn["preparing"] + killsIn["deploying"] + killsIn["registering"],
              kKillPoints * 5 / 6);
    EXPECT_GE(killsIn["deploying"], kMinKillsPerPhase)
        << "too few kills while downloading and unpacking";
    EXPECT_GE(killsIn["registering"], kMinKillsPerPhase) << "too few kills while registering";
}

TEST_F(InterruptedInstallTest, ACutPackageTransferAsksForTheRestOnly) {
    const Package package = largestPackage();
    cutOnceHalfway(package);
    const ChildResult result = install();
    ASSERT_EQ(result.exitCode, 0) << result.err << sandbox.newestLog();

    const auto requests = server.requestsFor(package.path);
    ASSERT_EQ(requests.size(), 2u);
    const std::string half = std::to_string(package.size / 2);
    EXPECT_EQ(requests[1].header("Range"), "bytes=" + half + "-");
    EXPECT_EQ(requests[1].header("If-Range"), package.etag);
    EXPECT_EQ(requests[1].status, 206);
    EXPECT_LE(bodyBytesSent(package.path), package.size * 11 / 10);
    EXPECT_NE(sandbox.newestLog().find("Resumed " + package.path + " from byte " + half +
                                       ": 206 appended, complete"),
              std::string::npos)
        << sandbox.newestLog();
    EXPECT_EQ(damagedFiles(server.versionGuid()), std::vector<std::string>{});
}

TEST_F(InterruptedInstallTest, AServerWithoutRangesSendsTheCutPackageAgainWhole) {
    const Package package = largestPackage();
    cutOnceHalfway(package);
    Fault noRanges;
    noRanges.path = package.path;
    noRanges.ignoreRange = true;
    server.addFault(noRanges);
    const ChildResult result = install();
    ASSERT_EQ(result.exitCode, 0) << result.err << sandbox.newestLog();

    const auto requests = server.requestsFor(package.path);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[1].header("Range").empty());
    EXPECT_EQ(requests[1].status, 200);
    EXPECT_EQ(requests[1].bodyBytesSent, package.size);
    EXPECT_NE(sandbox.newestLog().find("200 restarted, complete"), std::string::npos);
    EXPECT_EQ(damagedFiles(server.versionGuid()), std::vector<std::string>{});
}
