#include "install/component_deployment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "base/errors.h"
#include "deploy_test_env.h"
#include "install/file_deployer.h"
#include "launcher/bootstrapper_zaradada.h"
#include "support/file_contents.h"
#include "support/recording_dialog.h"
#include "support/test_site.h"
#include "system/version_folders.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct ComponentDeploymentTest : ::testing::Test {
    DeployTestEnv env;
    RecordingDialog* dialog = nullptr;  // owned by the bootstrapper
    std::shared_ptr<BootstrapperZARadada> bootstrapper = makeBootstrapper();

    std::shared_ptr<BootstrapperZARadada> makeBootstrapper() {
        auto made = std::make_shared<BootstrapperZARadada>(nullptr);
        auto recording = std::make_unique<RecordingDialog>();
        dialog = recording.get();
        made->setDialog(std::move(recording));
        made->installHost_ = env.server.installHost();
        made->baseHost_ = env.server.baseHost();
        made->versionGuid_ = env.server.versionGuid();
        made->fileDeployer = std::make_shared<FileDeployer>(made.get(), true);
        return made;
    }

    // Every worker has let go of the run: nothing outlives the test.
    ~ComponentDeploymentTest() override {
        std::weak_ptr<BootstrapperZARadada> run = bootstrapper;
        bootstrapper.reset();
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (!run.expired() && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(run.expired()) << "a package worker is still running";
    }

    std::string logText() { return readLogFile(bootstrapper->logger().fileName()); }
    std::vector<std::string> dialogCalls(const std::string& prefix, size_t from = 0) {
        std::vector<std::string> found;
        const auto calls = dialog->calls();
        for (size_t i = from; i < calls.size(); ++i)
            if (calls[i].rfind(prefix, 0) == 0) found.push_back(calls[i]);
        return found;
    }
    int64_t publishedBytes() const {
        int64_t total = 0;
        for (const auto& package : env.server.deployment().packages)
            total += static_cast<int64_t>(package.zipBytes);
        return total;
    }
    static int64_t seconds(fs::file_time_type time) {
        return std::chrono::duration_cast<std::chrono::seconds>(
                   std::chrono::file_clock::to_sys(time).time_since_epoch())
            .count();
    }
    // Every file of the build is in the version folder, whole, with the build
    // file's time as the archive keeps it (whole even seconds).
    void expectVersionFolderHoldsTheBuild(const std::string& version) {
        ASSERT_FALSE(env.server.deployment().manifest.empty());
        for (const auto& line : env.server.deployment().manifest) {
            std::string relative = line.path;
            std::replace(relative.begin(), relative.end(), '\\', '/');
            const std::string installed = version + relative;
            ASSERT_TRUE(fs::is_regular_file(installed)) << relative;
            EXPECT_EQ(DeployTestEnv::md5Of(installed), line.md5) << relative;
            const int64_t built =
                seconds(fs::last_write_time(env.server.buildFolder() + "/" + relative));
            EXPECT_EQ(seconds(fs::last_write_time(installed)), built - built % 2) << relative;
        }
    }
};

}  // namespace

TEST_F(ComponentDeploymentTest, FreshDeploymentUnpacksEveryPackageIntoItsFolder) {
    bootstrapper->settings.perModeLoggingEnabled = true;
    bootstrapper->DeployComponents(false, true);

    const std::string version = bootstrapper->programDirectory();
    for (const std::string& folder : studioComponentFolders())
        EXPECT_TRUE(fs::is_directory(version + folder)) << folder;
    expectVersionFolderHoldsTheBuild(version);
    EXPECT_TRUE(bootstrapper->errorsSnapshot().empty());
    EXPECT_EQ(bootstrapper->fileDeployer->bytesReceived(), publishedBytes());
    for (const ComponentPackage& row : studioComponentTable())
        EXPECT_EQ(env.requestsFor(row.package).size(), 1u) << row.package;

    const auto calls = dialog->calls();
    EXPECT_EQ(dialogCalls("message:"),
              std::vector<std::string>{"message:Installing VEXMOOR TEST1 Studio ..."});
    EXPECT_EQ(dialogCalls("progress:").front(), "progress:0");
    EXPECT_EQ(calls.back(), "marquee:on");
    EXPECT_NE(logText().find("BootstrapperZARadada::RegisterEvent "
                             "event=ZARadadaBootstrapperUpdateOrInstallResolvedCdnHost"),
              std::string::npos);
    EXPECT_TRUE(env.temporaryDownloads().empty());
}

TEST_F(ComponentDeploymentTest, SecondDeploymentRevalidatesEveryPackageAndTransfersNothing) {
    bootstrapper->DeployComponents(false, true);
    env.server.server().clearJournal();
    const size_t before = dialog->calls().size();

    // The next run: a new deployer over the same cache.
    bootstrapper->fileDeployer = std::make_shared<FileDeployer>(bootstrapper.get(), true);
    bootstrapper->DeployComponents(true, true);

    EXPECT_TRUE(bootstrapper->errorsSnapshot().empty());
    for (const ComponentPackage& row : studioComponentTable()) {
        const auto requests = env.requestsFor(row.package);
        ASSERT_EQ(requests.size(), 1u) << row.package;
        EXPECT_EQ(requests[0].header("If-None-Match"),
                  "\"" + DeployTestEnv::md5Of(env.package(row.package).path) + "\"");
        EXPECT_EQ(requests[0].status, 304) << row.package;
    }
    EXPECT_EQ(bootstrapper->fileDeployer->bytesReceived(), 0);
    expectVersionFolderHoldsTheBuild(bootstrapper->programDirectory());
    EXPECT_EQ(dialogCalls("message:", before),
              std::vector<std::string>{"message:Upgrading VEXMOOR TEST1 Studio ..."});
    // No package announced a length: the bar never moved.
    EXPECT_EQ(dialogCalls("progress:", before), std::vector<std::string>{"progress:0"});
    EXPECT_EQ(logText().find("RegisterEvent"), std::string::npos);
}

TEST_F(ComponentDeploymentTest, PackageFailingTwiceStopsTheDriverWithTheRecordedError) {
    zorbit::server::Fault fault;
    fault.path = env.packagePath("content-sky.zip");
    fault.status = 500;
    env.server.addFault(fault);

    try {
        bootstrapper->DeployComponents(false, true);
        FAIL() << "the deployment went on";
    } catch (const previous_error& e) {
        EXPECT_NE(std::string(e.what()).find("1: deployVersionedFile content-sky.zip to \""),
                  std::string::npos)
            << e.what();
    }
    EXPECT_EQ(bootstrapper->errorsSnapshot().size(), 1u);
    EXPECT_TRUE(dialogCalls("marquee:on").empty());
}

TEST_F(ComponentDeploymentTest, MissingFolderStopsBeforeAnyDownload) {
    // A file where a folder of the tree belongs.
    const std::string version = bootstrapper->programDirectory();
    { std::ofstream(version + "shaders") << "in the way"; }
    EXPECT_THROW(bootstrapper->DeployComponents(false, true), std::runtime_error);
    EXPECT_TRUE(env.requestsFor("redist.zip").empty());
}

namespace {

// The deployment over a test site of its own, with what the run would hand it.
struct PackageDeploymentTest : ::testing::Test {
    DeployTestEnv env;
    RecordingDialog dialog;
    std::shared_ptr<TestSite> site = makeSite();

    std::shared_ptr<TestSite> makeSite() const {
        auto made = std::make_shared<TestSite>();
        made->installHostName = env.server.installHost();
        made->baseHostName = env.server.baseHost();
        made->versionGuidText = env.server.versionGuid();
        made->programDirectoryPath = versionFolder(true, made->versionGuidText);
        return made;
    }
    PackageDeployment deployment() {
        PackageDeployment made;
        made.siteOwner = site;
        made.deployer = std::make_shared<FileDeployer>(site.get(), true);
        made.dialog = &dialog;
        made.productName = "ZARadada";
        made.displayName = "VEXMOOR TEST1 Studio";
        made.setUiMessage = [this](const std::string& text) { dialog.setMessage(text); };
        return made;
    }
    std::vector<std::string> dialogCalls(const std::string& prefix) {
        std::vector<std::string> found;
        for (const auto& call : dialog.calls())
            if (call.rfind(prefix, 0) == 0) found.push_back(call);
        return found;
    }

    // Every worker has let go of the site: nothing outlives the test.
    ~PackageDeploymentTest() override {
        std::weak_ptr<TestSite> run = site;
        site.reset();
        const auto deadline = Clock::now() + std::chrono::seconds(20);
        while (!run.expired() && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(run.expired()) << "a package worker is still running";
    }
};

}  // namespace

TEST_F(PackageDeploymentTest, CancelDuringTheTransfersEndsTheDeploymentAtOnce) {
    // Slow bodies keep every transfer running until the cancel.
    zorbit::server::Fault slow;
    slow.path = env.packagePath("*");
    slow.bytesPerSecond = 20000;
    env.server.addFault(slow);

    Clock::time_point cancelledAt;
    std::thread canceller([&, run = site.get()] {
        env.server.server().waitForRequest(
            [&](const zorbit::server::JournalEntry& entry) {
                return entry.path == env.packagePath("imageformats.zip");
            },
            std::chrono::seconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        cancelledAt = Clock::now();
        run->cancelled = true;
    });
    EXPECT_THROW(deployComponentPackages(*site, deployment(), studioComponentTable(), false, true),
                 cancel_exception);
    const auto ended = Clock::now();
    canceller.join();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(ended - cancelledAt).count(),
              100);
    EXPECT_TRUE(site->reportedErrors().empty());
    EXPECT_TRUE(dialogCalls("marquee:on").empty());
    // The fixture lets go of the site now, while workers may still be winding
    // down: they hold it until their last step.
}
