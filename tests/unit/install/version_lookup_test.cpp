#include "install/version_lookup.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "launcher/bootstrapper.h"
#include "net/http_client.h"
#include "support/loopback_http_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_certificate.h"

namespace {

class LookupBootstrapper : public Bootstrapper {
public:
    LookupBootstrapper() : Bootstrapper(nullptr) {}
    std::string productName() override { return "ZARadada"; }
    std::string binaryType() override { return binaryTypeText; }
    bool useNewVersionFetch() override { return newVersionFetch; }
    std::string productRegistryKey() override { return "SOFTWARE\\Test"; }
    std::string productRegistryName() override { return "Test"; }
    std::string launcherVersionFileName() override { return "BootstrapperZARadadaVersion.txt"; }
    std::string versionFileName() override { return "versionZARadada"; }
    std::string appMutexName() override { return "app"; }
    std::string launcherMutexName() override { return "launcher"; }
    std::string displayName() override { return "Test"; }
    std::string protocolScheme() override { return "test"; }

    std::string logText() {
        std::ifstream file(logger().fileName());
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::string binaryTypeText = "WindowsStudio";
    bool newVersionFetch = false;
};

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

struct VersionLookupTest : ::testing::Test {
    TempDir temp;
    ScopedEnv tmpdir{"TMPDIR", temp.path()};
    ScopedEnv home{"HOME", temp.path()};
    LoopbackHttpServer server;
    std::unique_ptr<LookupBootstrapper> bootstrapper;

    VersionLookupTest() {
        version_lookup_testing::clearCache();
        bootstrapper = std::make_unique<LookupBootstrapper>();
        bootstrapper->installHost_ = server.host("setup");
        bootstrapper->correlationId = 4711;
    }
    ~VersionLookupTest() override {
        version_lookup_testing::clearCache();
        http_testing::setCaBundle("");
    }
};

TEST_F(VersionLookupTest, InstallHostAnswerIsAskedOnceAndKeptAsSent) {
    server.serve("/versionZARadada", ScriptedResponse::ok("version-0a1b\n"));
    EXPECT_EQ(bootstrapper->fetchVersionGuid(), "version-0a1b\n");
    EXPECT_EQ(bootstrapper->fetchVersionGuid(""), "version-0a1b\n");
    const auto requests = server.requestsFor("/versionZARadada");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/versionZARadada?guid4711");
    EXPECT_EQ(requests[0].host, server.host("setup"));
    const std::string log = bootstrapper->logText();
    EXPECT_EQ(occurrences(log, "Bootstrapper::fetchVersionGuid\n"), 2u);
    EXPECT_EQ(occurrences(log, "Bootstrapper::fetchVersionGuid - installVersion: version-0a1b\n"), 1u);
    EXPECT_EQ(occurrences(log, "Bootstrapper::fetchVersionGuid - found in cache: version-0a1b\n"), 1u);
}

TEST_F(VersionLookupTest, CacheIsProcessWideAndAnswersThatNameNoFolderFail) {
    for (const char* answer : {"", " \r\n", "..", "a/b", "a\\b"}) {
        server.serve("/versionZARadada", ScriptedResponse::ok(answer));
        try {
            bootstrapper->fetchVersionGuid();
            ADD_FAILURE() << "accepted '" << answer << "'";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("The version lookup answered"), std::string::npos);
        }
    }
    EXPECT_EQ(server.countFor("/versionZARadada"), 5u) << "no failed answer is cached";
    server.serve("/versionZARadada", ScriptedResponse::ok("version-0a1b"));
    EXPECT_EQ(bootstrapper->fetchVersionGuid(), "version-0a1b");
    LookupBootstrapper other;
    other.installHost_ = server.host("setup");
    EXPECT_EQ(other.fetchVersionGuid(), "version-0a1b");
    EXPECT_EQ(server.countFor("/versionZARadada"), 6u);
    EXPECT_NE(other.logText().find("found in cache: version-0a1b\n"), std::string::npos);
}

TEST_F(VersionLookupTest, AnswerEndsAtItsFirstNul) {
    server.serve("/versionZARadada", ScriptedResponse::ok(std::string("abc\0def", 7)));
    EXPECT_EQ(bootstrapper->fetchVersionGuid(), "abc");
}

TEST_F(VersionLookupTest, FailedAttemptIsRetriedAndFailuresAreNotCached) {
    server.script("/versionZARadada", {ScriptedResponse::withStatus(503), ScriptedResponse::ok("g2")});
    EXPECT_EQ(bootstrapper->fetchVersionGuid(), "g2");
    EXPECT_NE(bootstrapper->logText().find(
                  "WARNING: First HTTP GET error for /versionZARadada?guid4711: Service Unavailable"),
              std::string::npos);

    server.serve("/versionOther", ScriptedResponse::withStatus(404));
    EXPECT_THROW(bootstrapper->fetchVersionGuid("versionOther"), std::runtime_error);
    server.serve("/versionOther", ScriptedResponse::ok("g3"));
    EXPECT_EQ(bootstrapper->fetchVersionGuid("versionOther"), "g3");
    EXPECT_EQ(server.countFor("/versionOther"), 3u);
}

TEST_F(VersionLookupTest, NewFetchWithoutBinaryTypeAsksTheInstallHost) {
    bootstrapper->newVersionFetch = true;
    bootstrapper->binaryTypeText.clear();
    server.serve("/versionZARadada", ScriptedResponse::ok("from-setup"));
    EXPECT_EQ(bootstrapper->fetchVersionGuid(), "from-setup");
}

TEST_F(VersionLookupTest, NewFetchOutsideThePlatformsDomainsFails) {
    bootstrapper->newVersionFetch = true;
    bootstrapper->baseHost_ = "example.com";
    EXPECT_THROW(bootstrapper->fetchVersionGuid(), std::runtime_error);
}

// The service's URL carries the built-in domain and its port, so this test
// needs that port; it is skipped when something else holds it.
TEST_F(VersionLookupTest, ServiceAnswerLosesItsDoubleQuotesWhateverItsStatus) {
    TempDir certificateFolder;
    TestCertificate certificate(certificateFolder.path());
    std::unique_ptr<LoopbackHttpServer> service;
    try {
        service = std::make_unique<LoopbackHttpServer>(certificate, 8470);
    } catch (const std::runtime_error&) {
        GTEST_SKIP() << "port 8470 is in use";
    }
    http_testing::setCaBundle(certificate.pemPath());
    bootstrapper->newVersionFetch = true;
    bootstrapper->baseHost_ = "www.zorbit.localhost:8470";
    const std::string path = "/GetCurrentClientVersionUpload/";
    service->serve(path, ScriptedResponse::ok("\"0a1b\""));
    EXPECT_EQ(bootstrapper->fetchVersionGuid(), "0a1b");
    const auto requests = service->requestsFor(path);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].host, "versioncompatibility.api.zorbit.localhost:8470");
    EXPECT_EQ(requests[0].target,
              path + "?apiKey=3f9c1d27-8b4e-4a6d-b2c5-9e71f0a4d863&binaryType=WindowsStudio");

    service->serve(path, ScriptedResponse::ok(" 0a\"1b\n"));
    EXPECT_EQ(bootstrapper->fetchVersionGuid("second"), " 0a1b\n");
    service->serve(path, ScriptedResponse::withStatus(500, "<p class=\"e\">down"));
    EXPECT_EQ(bootstrapper->fetchVersionGuid("third"), "<p class=e>down");
    EXPECT_EQ(bootstrapper->fetchVersionGuid("third"), "<p class=e>down");
    EXPECT_EQ(service->countFor(path), 3u);
    EXPECT_EQ(server.requests().size(), 0u);
}
