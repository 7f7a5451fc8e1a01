// The log upload: the newest application log, the info lines appended to it,
// the path and host of the posts, and failures that only log.
#include "telemetry/log_upload.h"

#include <filesystem>
#include <fstream>
#include <thread>

#include "base/format.h"
#include "base/resource_strings.h"
#include "support/test_process.h"
#include "telemetry/app_logs.h"
#include "telemetry_test.h"

namespace {

namespace fs = std::filesystem;

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

struct LogUploadTest : TelemetryTest {
    const int correlationId = 4711;
    bool useDataDomain = true;
    LogUploadRun run() { return {site, 0, correlationId, useDataDomain}; }

    std::string tmp(const std::string& name) const { return environment.dir().file(name); }

    // Two application logs, the second made later.
    void twoAppLogs() {
        writeFile(tmp("older.zbal"), "older log\n");
        fs::last_write_time(tmp("older.zbal"),
                            fs::file_time_type::clock::now() - std::chrono::hours(1));
        // File times are coarse: let the clock move on before the second file.
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        writeFile(tmp("newer.zbal"), "newer log\n");
    }

    std::vector<zorbit::server::JournalEntry> uploads() { return server.server().uploads(); }
    std::string expectedTarget() const {
        return format("/Error/InstallLog.ashx?version=%s&stage=00&guid=%d",
                      moduleFileVersion().c_str(), correlationId);
    }
};

}  // namespace

TEST(LogUploadPath, StageHasTwoDigits) {
    EXPECT_EQ(logUploadPath("1.6.3.173", 0, 4711),
              "/Error/InstallLog.ashx?version=1.6.3.173&stage=00&guid=4711");
    EXPECT_EQ(logUploadPath("1.0", 7, -3), "/Error/InstallLog.ashx?version=1.0&stage=07&guid=-3");
}

TEST_F(LogUploadTest, NewestAppLogSkipsFoldersAndOtherFiles) {
    EXPECT_EQ(newestAppLog(tmp("")), "");
    fs::create_directory(tmp("folder.zbal"));
    writeFile(tmp("other.log"), "x");
    EXPECT_EQ(newestAppLog(tmp("")), "");
    twoAppLogs();
    EXPECT_EQ(newestAppLog(tmp("")), tmp("newer.zbal"));
    EXPECT_EQ(newestAppLog(tmp("missing") + "/"), "");
}

TEST_F(LogUploadTest, OnlyTheUsersOwnPlainFilesAreTakenOrOpened) {
#ifdef _WIN32
    GTEST_SKIP() << "links, FIFOs and other owners' files planted in a shared /tmp are a POSIX "
                    "concern; the Windows temporary folder is the user's own";
#endif
    twoAppLogs();
    // Newer than the real logs: what someone else could plant in a shared folder.
    writeFile(tmp("secret.txt"), "secret\n");
    fs::create_symlink(tmp("secret.txt"), tmp("link.zbal"));
    fs::create_hard_link(tmp("secret.txt"), tmp("second-name.zbal"));
    ASSERT_TRUE(test_process::makeNamedPipe(tmp("pipe.zbal")));
    if (test_process::runningAsRoot()) {
        writeFile(tmp("theirs.zbal"), "theirs\n");
        ASSERT_TRUE(test_process::giveToUser(tmp("theirs.zbal"), test_process::kNobodyId,
                                             test_process::kNobodyId));
    }
    EXPECT_EQ(newestAppLog(tmp("")), tmp("newer.zbal"));
    // Refused on opening too, should one be swapped in after the listing; the FIFO at once.
    for (const char* name : {"link.zbal", "second-name.zbal", "pipe.zbal"})
        EXPECT_THROW(appendAppLogInfo(tmp(name), 1), std::runtime_error) << name;
    EXPECT_EQ(readFile(tmp("secret.txt")), "secret\n");
}

TEST_F(LogUploadTest, WithAppLogsBothReachTheDataHost) {
    twoAppLogs();
    site.logger().log("a line before the upload");
    uploadLogs(run(), true);

    const auto posted = uploads();
    ASSERT_EQ(posted.size(), 2u);
    const std::string info = format("Info: ZorbitAppLog\nCorrIDString: %d\n", correlationId);
    EXPECT_EQ(posted[0].body, "newer log\n" + info);
    EXPECT_EQ(readFile(tmp("newer.zbal")), "newer log\n" + info);
    EXPECT_EQ(readFile(tmp("older.zbal")), "older log\n");
    EXPECT_NE(posted[1].body.find("a line before the upload"), std::string::npos);
    EXPECT_NE(posted[1].body.find("Uploading install log file"), std::string::npos);
    for (const auto& upload : posted) {
        EXPECT_EQ(upload.method, "POST");
        EXPECT_EQ(upload.hostName(), "data.qasite1.zorbit.localhost");
        EXPECT_EQ(upload.target, expectedTarget());
        EXPECT_EQ(upload.header("Content-Type"), "text/plain");
    }
    const std::string text = log();
    for (const std::string& line :
         {std::string("Posting log file"), format("CorrIDString: %d", correlationId),
          std::string("Uploading app log file"), std::string("Uploading install log file"),
          std::string("Uploading log file result: OK")})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

TEST_F(LogUploadTest, WithoutAppLogsOnlyTheLauncherLogGoesToTheBaseHostWhenAsked) {
    twoAppLogs();
    useDataDomain = false;
    uploadLogs(run(), false);
    const auto posted = uploads();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].hostName(), "www.qasite1.zorbit.localhost");
    EXPECT_EQ(readFile(tmp("newer.zbal")), "newer log\n");
    EXPECT_EQ(log().find("CorrIDString"), std::string::npos);
}

TEST_F(LogUploadTest, SettingsPostTimeoutLeavesTheUploadItsOwnBound) {
    setTelemetryTimeoutOverride(kShortestTelemetryRequestMs);
    zorbit::server::Fault slow;
    slow.host = "data.*";
    slow.delayMs = 4 * kShortestTelemetryRequestMs;
    server.addFault(slow);
    uploadLogs(run(), false);
    const std::string text = log();
    EXPECT_NE(text.find("Uploading log file result: OK"), std::string::npos) << text;
}

TEST_F(LogUploadTest, FailedUploadsOnlyLog) {
    twoAppLogs();
    server.addFault(statusOn(500, "data.*"));
    EXPECT_NO_THROW(uploadLogs(run(), true));
    const std::string text = log();
    EXPECT_NE(text.find("Exception during app log upload "), std::string::npos) << text;
    EXPECT_NE(text.find("Error uploading log file: "), std::string::npos) << text;
}
