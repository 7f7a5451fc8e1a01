#include "install/file_deployer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "deploy_test_env.h"
#include "install/download_cache.h"
#include "support/file_contents.h"
#include "support/test_site.h"

namespace fs = std::filesystem;

namespace {

const char* const kPackage = "content-sky.zip";

struct FileDeployerTest : ::testing::Test {
    DeployTestEnv env;
    TestSite site;
    FileDeployer deployer{&site, true};
    std::string version = env.sandbox.dir().file("version/");

    FileDeployerTest() {
        site.installHostName = env.server.installHost();
        site.baseHostName = env.server.baseHost();
        site.versionGuidText = env.server.versionGuid();
        site.programDirectoryPath = version;
        fs::create_directories(version + "content/sky");
    }

    void deploy(Progress& progress) {
        deployer.deployVersionedFile(kPackage, "content/sky/", progress, true);
    }
    // The server's ETag: the MD5 of the published package.
    std::string etag() const { return DeployTestEnv::md5Of(env.package(kPackage).path); }
    std::string cachedCopy() const { return env.downloads() + etag(); }
    std::string storedEtag() const { return readStoredEtag(true, kPackage); }
    // One unpacked file of the package, as the build has it.
    void expectUnpacked() {
        for (const auto& line : env.server.deployment().manifest) {
            if (line.path.rfind("content\\sky\\", 0) != 0) continue;
            std::string path = line.path;
            std::replace(path.begin(), path.end(), '\\', '/');
            EXPECT_EQ(DeployTestEnv::md5Of(version + path), line.md5) << path;
        }
    }
};

}  // namespace

TEST_F(FileDeployerTest, FreshDownloadIsCachedByItsEtagAndUnpacked) {
    Progress progress;
    deploy(progress);
    EXPECT_TRUE(progress.finished);
    EXPECT_TRUE(site.reportedErrors().empty());
    expectUnpacked();
    const uint64_t size = env.package(kPackage).zipBytes;
    EXPECT_EQ(deployer.bytesReceived(), static_cast<int64_t>(size));
    EXPECT_EQ(progress.done, static_cast<int64_t>(size));
    EXPECT_EQ(progress.total, static_cast<int64_t>(size));
    EXPECT_EQ(storedEtag(), etag());
    EXPECT_EQ(DeployTestEnv::md5Of(cachedCopy()), etag());
    EXPECT_TRUE(env.temporaryDownloads().empty());
    // The content host named by cdn.txt answered it.
    const auto requests = env.requestsFor(kPackage);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].host, env.server.contentHost());
    EXPECT_EQ(requests[0].header("If-None-Match"), "");
    EXPECT_EQ(site.logCount("deployVersionedFile " + std::string(kPackage)), 1);
}

TEST_F(FileDeployerTest, ConfirmedCachedCopyIsUsedWithoutTransfer) {
    Progress first;
    deploy(first);
    fs::remove_all(version + "content/sky");
    fs::create_directories(version + "content/sky");
    env.server.server().clearJournal();

    FileDeployer nextRun(&site, true);
    Progress progress;
    nextRun.deployVersionedFile(kPackage, "content/sky/", progress, true);
    EXPECT_TRUE(site.reportedErrors().empty());
    expectUnpacked();
    const auto requests = env.requestsFor(kPackage);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("If-None-Match"), "\"" + etag() + "\"");
    EXPECT_EQ(requests[0].status, 304);
    EXPECT_EQ(nextRun.bytesReceived(), 0);
    EXPECT_EQ(progress.total, 0);
    EXPECT_EQ(progress.done, 0);
    EXPECT_EQ(storedEtag(), etag());
    EXPECT_TRUE(env.temporaryDownloads().empty());
}

TEST_F(FileDeployerTest, CachedCopyWhoseDigestDiffersIsDeletedAndDownloadedAgain) {
    Progress first;
    deploy(first);
    { std::ofstream(cachedCopy(), std::ios::binary | std::ios::app) << "damage"; }
    const std::string damaged = DeployTestEnv::md5Of(cachedCopy());
    env.server.server().clearJournal();

    Progress progress;
    deploy(progress);
    EXPECT_TRUE(site.reportedErrors().empty());
    EXPECT_EQ(site.logCount("WARNING: etag and hash don't match for " + std::string(kPackage) +
                            ": etag=" + etag() + " hash=" + damaged),
              1);
    const auto requests = env.requestsFor(kPackage);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("If-None-Match"), "");
    EXPECT_EQ(requests[0].status, 200);
    EXPECT_EQ(DeployTestEnv::md5Of(cachedCopy()), etag());
    EXPECT_EQ(deployer.bytesReceived(), 2 * static_cast<int64_t>(env.package(kPackage).zipBytes));
    expectUnpacked();
}

TEST_F(FileDeployerTest, PackageFailingOnTheContentHostComesFromTheInstallHost) {
    zorbit::server::Fault fault;
    fault.path = env.packagePath(kPackage);
    fault.host = "cdn.*";
    fault.status = 503;
    env.server.addFault(fault);

    Progress progress;
    deploy(progress);
    EXPECT_TRUE(site.reportedErrors().empty());
    expectUnpacked();
    std::vector<std::string> hosts;
    for (const auto& request : env.requestsFor(kPackage)) hosts.push_back(request.hostName());
    // Both tries of the content host, then the install host.
    EXPECT_EQ(hosts, (std::vector<std::string>{"cdn.qasite1.zorbit.localhost",
                                               "cdn.qasite1.zorbit.localhost",
                                               "www.qasite1.zorbit.localhost"}));
    EXPECT_EQ(site.logCount("Failure when attempting to deploy"), 0);
    EXPECT_EQ(progress.done, static_cast<int64_t>(env.package(kPackage).zipBytes));
}

TEST_F(FileDeployerTest, DamagedDownloadIsCleanedUpAndTakenFromTheInstallHost) {
    // The first answer ends early without a length, so it looks whole: the
    // unpacking finds the damage, and the second try goes to the install host.
    zorbit::server::Fault fault;
    fault.path = env.packagePath(kPackage);
    fault.truncateAfter = 100;
    fault.noContentLength = true;
    fault.times = 1;
    env.server.addFault(fault);

    Progress progress;
    deploy(progress);
    EXPECT_TRUE(site.reportedErrors().empty());
    expectUnpacked();
    EXPECT_EQ(site.logCount("Failure when attempting to deploy " + std::string(kPackage) +
                            " from " + cachedCopy() + " to " + version + "content/sky/"),
              1);
    EXPECT_EQ(site.logCount("Failed to delete path(" + version + "content/sky/)"), 1);
    const auto requests = env.requestsFor(kPackage);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].hostName(), "www.qasite1.zorbit.localhost");
    EXPECT_EQ(requests[1].header("If-None-Match"), "");
    EXPECT_EQ(storedEtag(), etag());
    EXPECT_EQ(DeployTestEnv::md5Of(cachedCopy()), etag());
    // The damaged copy was cached under the same ETag and counted, then replaced.
    EXPECT_EQ(progress.done, static_cast<int64_t>(env.package(kPackage).zipBytes));
}

TEST_F(FileDeployerTest, PackageFailingTwiceIsReportedAndLeavesNoCache) {
    zorbit::server::Fault fault;
    fault.path = env.packagePath(kPackage);
    fault.status = 404;
    env.server.addFault(fault);

    Progress progress;
    deploy(progress);
    EXPECT_TRUE(progress.finished);
    const auto errors = site.reportedErrors();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "deployVersionedFile content-sky.zip to \"" + version +
                             "content/sky/\" failed: Not Found");
    EXPECT_EQ(site.logCount("Failure when attempting to deploy"), 1);
    EXPECT_EQ(storedEtag(), "");
    EXPECT_EQ(deployer.bytesReceived(), 0);
    // Failed transfers take their temporary files with them.
    EXPECT_TRUE(env.temporaryDownloads().empty());
}

TEST_F(FileDeployerTest, CancellationEndsTheWorkerWithoutReport) {
    site.cancelled = true;
    Progress progress;
    deploy(progress);
    EXPECT_TRUE(progress.finished);
    EXPECT_TRUE(site.reportedErrors().empty());
    EXPECT_EQ(site.logCount("Failure when attempting to deploy"), 0);
    EXPECT_EQ(env.requestsFor(kPackage).size(), 1u);
    EXPECT_TRUE(env.temporaryDownloads().empty());
}

TEST_F(FileDeployerTest, StoredEtagThatIsNoFileNameIsIgnored) {
    const std::string outside = env.sandbox.userData("vexmoor-qasite1/keep");
    fs::create_directories(env.downloads());
    { std::ofstream(outside) << "not a package"; }
    writeStoredEtag(true, kPackage, "../keep");
    Progress progress;
    deploy(progress);
    EXPECT_TRUE(site.reportedErrors().empty());
    EXPECT_EQ(readFile(outside), "not a package");
    EXPECT_EQ(env.requestsFor(kPackage)[0].header("If-None-Match"), "");
    EXPECT_EQ(storedEtag(), etag());
    expectUnpacked();
}

TEST_F(FileDeployerTest, AnswerWithoutEtagIsUnpackedFromItsTemporaryFile) {
    zorbit::server::Fault fault;
    fault.path = env.packagePath(kPackage);
    fault.etag = zorbit::server::EtagFault::Missing;
    env.server.addFault(fault);
    Progress progress;
    deploy(progress);
    EXPECT_TRUE(site.reportedErrors().empty());
    expectUnpacked();
    EXPECT_EQ(site.logCount("Failed to delete " + env.downloads() + ": "), 1);
    EXPECT_EQ(storedEtag(), "");
    EXPECT_EQ(deployer.bytesReceived(), 0);
    EXPECT_EQ(env.temporaryDownloads().size(), 1u);
}

TEST_F(FileDeployerTest, EmptyVersionGuidAsksForThePackageAlone) {
    site.versionGuidText.clear();
    Progress progress;
    deployer.deployVersionedFile(kPackage, "content/sky/", progress, false);
    // Not found on either host, in both tries of both attempts.
    EXPECT_EQ(env.server.requestsFor("/" + std::string(kPackage)).size(), 6u);
    EXPECT_EQ(site.reportedErrors().size(), 1u);
}
