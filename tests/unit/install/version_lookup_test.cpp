#include "install/version_lookup.h"

#include <gtest/gtest.h>

#include <memory>

#include "launcher/bootstrapper_zaradada.h"
#include "net/http_client.h"
#include "support/loopback_http_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_certificate.h"
#include "support/test_site.h"

namespace {

size_t occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

}  // namespace

struct VersionLookupTest : ::testing::Test {
    TempDir temp;
    ScopedEnv tmpdir{"TMPDIR", temp.path()};
    ScopedEnv home{"HOME", temp.path()};
    LoopbackHttpServer server;
    TestSite site;
    VersionSource source{"WindowsStudio", false, 4711};

    VersionLookupTest() {
        version_lookup_testing::clearCache();
        site.installHostName = server.host("setup");
    }
    ~VersionLookupTest() override {
        version_lookup_testing::clearCache();
        http_testing::setCaBundle("");
    }

    std::string fetch(const std::string& versionFileName = "versionZARadada") {
        return fetchFor(site, versionFileName);
    }
    std::string fetchFor(TestSite& run, const std::string& versionFileName) {
        return fetchVersionGuid(run.logger(), versionFileName, [&](const std::string& name) {
            return requestVersionGuid(run, name, source);
        });
    }
};

TEST_F(VersionLookupTest, InstallHostAnswerIsAskedOnceAndKeptAsSent) {
    server.serve("/versionZARadada", ScriptedResponse::ok("version-0a1b\n"));
    EXPECT_EQ(fetch(), "version-0a1b\n");
    EXPECT_EQ(fetch(), "version-0a1b\n");
    const auto requests = server.requestsFor("/versionZARadada");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].target, "/versionZARadada?guid4711");
    EXPECT_EQ(requests[0].host, server.host("setup"));
    const std::string log = site.logText();
    EXPECT_EQ(occurrences(log, "Bootstrapper::fetchVersionGuid\n"), 2u);
    EXPECT_EQ(occurrences(log, "Bootstrapper::fetchVersionGuid - installVersion: version-0a1b\n"),
              1u);
    EXPECT_EQ(occurrences(log, "Bootstrapper::fetchVersionGuid - found in cache: version-0a1b\n"),
              1u);
}

// The Bootstrapper's lookup: no name is the profile's version file.
TEST_F(VersionLookupTest, EmptyNameIsTheProfilesVersionFile) {
    server.serve("/versionZARadada", ScriptedResponse::ok("version-0a1b\n"));
    EXPECT_EQ(fetch(), "version-0a1b\n");
    auto studio = std::make_shared<BootstrapperZARadada>(nullptr);
    EXPECT_EQ(studio->fetchVersionGuid(""), "version-0a1b\n");
    EXPECT_EQ(server.countFor("/versionZARadada"), 1u);
}

TEST_F(VersionLookupTest, CacheIsProcessWideAndAnswersThatNameNoFolderFail) {
    for (const char* answer : {"", " \r\n", "..", "a/b", "a\\b"}) {
        server.serve("/versionZARadada", ScriptedResponse::ok(answer));
        try {
            fetch();
            ADD_FAILURE() << "accepted '" << answer << "'";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("The version lookup answered"), std::string::npos);
        }
    }
    EXPECT_EQ(server.countFor("/versionZARadada"), 5u) << "no failed answer is cached";
    server.serve("/versionZARadada", ScriptedResponse::ok("version-0a1b"));
    EXPECT_EQ(fetch(), "version-0a1b");
    TestSite other;
    other.installHostName = server.host("setup");
    EXPECT_EQ(fetchFor(other, "versionZARadada"), "version-0a1b");
    EXPECT_EQ(server.countFor("/versionZARadada"), 6u);
    EXPECT_NE(other.logText().find("found in cache: version-0a1b\n"), std::string::npos);
}

TEST_F(VersionLookupTest, AnswerEndsAtItsFirstNul) {
    server.serve("/versionZARadada", ScriptedResponse::ok(std::string("abc\0def", 7)));
    EXPECT_EQ(fetch(), "abc");
}

TEST_F(VersionLookupTest, FailedAttemptIsRetriedAndFailuresAreNotCached) {
    server.script("/versionZARadada",
                  {ScriptedResponse::withStatus(503), ScriptedResponse::ok("g2")});
    EXPECT_EQ(fetch(), "g2");
    EXPECT_NE(
        site.logText().find(
            "WARNING: First HTTP GET error for /versionZARadada?guid4711: Service Unavailable"),
        std::string::npos);

    server.serve("/versionOther", ScriptedResponse::withStatus(404));
    EXPECT_THROW(fetch("versionOther"), std::runtime_error);
    server.serve("/versionOther", ScriptedResponse::ok("g3"));
    EXPECT_EQ(fetch("versionOther"), "g3");
    EXPECT_EQ(server.countFor("/versionOther"), 3u);
}

TEST_F(VersionLookupTest, NewFetchWithoutBinaryTypeAsksTheInstallHost) {
    source.useNewVersionFetch = true;
    source.binaryType.clear();
    server.serve("/versionZARadada", ScriptedResponse::ok("from-setup"));
    EXPECT_EQ(fetch(), "from-setup");
}

TEST_F(VersionLookupTest, NewFetchOutsideThePlatformsDomainsFails) {
    source.useNewVersionFetch = true;
    site.baseHostName = "example.com";
    EXPECT_THROW(fetch(), std::runtime_error);
}

// The service's URL carries the built-in domain and its port, so this test
// needs that port; it is skipped when something else holds it.
TEST_F(VersionLookupTest, ServiceAnswerLosesItsDoubleQuotesWhateverItsStatus) {
#ifdef _WIN32
    GTEST_SKIP()
        << "the test certificate and the https server need OpenSSL, which the Windows build lacks";
#endif
    TempDir certificateFolder;
    TestCertificate certificate(certificateFolder.path());
    std::unique_ptr<LoopbackHttpServer> service;
    try {
        service = std::make_unique<LoopbackHttpServer>(certificate, 8470);
    } catch (const std::runtime_error&) {
        GTEST_SKIP() << "port 8470 is in use";
    }
    http_testing::setCaBundle(certificate.pemPath());
    source.useNewVersionFetch = true;
    site.baseHostName = "www.zorbit.localhost:8470";
    const std::string path = "/GetCurrentClientVersionUpload/";
    service->serve(path, ScriptedResponse::ok("\"0a1b\""));
    EXPECT_EQ(fetch(), "0a1b");
    const auto requests = service->requestsFor(path);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].host, "versioncompatibility.api.zorbit.localhost:8470");
    EXPECT_EQ(requests[0].target,
              path + "?apiKey=3f9c1d27-8b4e-4a6d-b2c5-9e71f0a4d863&binaryType=WindowsStudio");

    service->serve(path, ScriptedResponse::ok(" 0a\"1b\n"));
    EXPECT_EQ(fetch("second"), " 0a1b\n");
    service->serve(path, ScriptedResponse::withStatus(500, "<p class=\"e\">down"));
    EXPECT_EQ(fetch("third"), "<p class=e>down");
    EXPECT_EQ(fetch("third"), "<p class=e>down");
    EXPECT_EQ(service->countFor(path), 3u);
    EXPECT_EQ(server.requests().size(), 0u);
}
