#include "net/cdn_selection.h"

#include <sstream>
#include <thread>

#include "base/errors.h"
#include "platform/md5.h"
#include "unit/net/net_test.h"

struct CdnSelectionTest : NetTest {
    CdnSelectionTest() {
        site.installHostName = server.host("setup");
        site.baseHostName = server.host("www");
    }

    int download(const std::string& path, std::stringstream& output, std::string& etag) {
        return httpGetFromCdn(site, etag, output, site.installHostName, path, noProgress());
    }

    // Hosts the requests for path went to, in order.
    std::vector<std::string> hostsAsked(const std::string& path) {
        std::vector<std::string> hosts;
        for (const auto& request : server.requestsFor(path)) hosts.push_back(request.host);
        return hosts;
    }
};

TEST_F(CdnSelectionTest, DownloadsFromTheContentHostNamedInCdnTxt) {
    server.serve("/cdn.txt", ScriptedResponse::ok(server.host("cdn")));
    server.serve("/v1-pkg.zip", ScriptedResponse::ok("zip bytes"));
    std::stringstream output;
    std::string etag;
    EXPECT_EQ(download("/v1-pkg.zip", output, etag), 200);
    EXPECT_EQ(output.str(), "zip bytes");
    EXPECT_EQ(etag, platform::md5Hex("zip bytes"));
    EXPECT_EQ(hostsAsked("/v1-pkg.zip"), std::vector<std::string>{server.host("cdn")});
    EXPECT_EQ(hostsAsked("/cdn.txt"), std::vector<std::string>{server.host("setup")});
    EXPECT_EQ(site.logCount("primaryCdn: " + server.host("cdn")), 1);
}

TEST_F(CdnSelectionTest, CdnTxtWithALineBreakFailsAndFallsBackEveryTime) {
    server.serve("/cdn.txt", ScriptedResponse::ok(server.host("cdn") + "\n"));
    server.serve("/v1-pkg.zip", ScriptedResponse::ok("zip bytes"));
    for (int i = 0; i < 2; ++i) {
        std::stringstream output;
        std::string etag;
        EXPECT_EQ(download("/v1-pkg.zip", output, etag), 200);
        EXPECT_EQ(output.str(), "zip bytes");
    }
    EXPECT_EQ(getPrimaryCdn(site), server.host("cdn") + "\n");
    EXPECT_EQ(server.countFor("/cdn.txt"), 1u);
    EXPECT_EQ(hostsAsked("/v1-pkg.zip"),
              (std::vector<std::string>{server.host("setup"), server.host("setup")}));
    EXPECT_EQ(site.logCount("Failure getting '/v1-pkg.zip' from cdnHost='" + server.host("cdn")),
              2);
    EXPECT_EQ(site.logCount("falling back to secondaryHost='" + server.host("setup") + "'"), 2);
}

TEST_F(CdnSelectionTest, MissingCdnTxtIsAskedForOncePerProcess) {
    server.serve("/cdn.txt", ScriptedResponse::withStatus(404));
    server.serve("/v1-pkg.zip", ScriptedResponse::ok("zip bytes"));
    for (int i = 0; i < 3; ++i) {
        std::stringstream output;
        std::string etag;
        EXPECT_EQ(download("/v1-pkg.zip", output, etag), 200);
    }
    EXPECT_EQ(server.countFor("/cdn.txt"), 2u);  // both attempts of the one GET
    EXPECT_EQ(site.logCount("primaryCdn exception, falling back to secondary installHost"), 1);
    EXPECT_EQ(site.logCount("Failure getting"), 0);
    EXPECT_EQ(server.countFor("/v1-pkg.zip"), 3u);
    EXPECT_EQ(getPrimaryCdn(site), "");
}

TEST_F(CdnSelectionTest, FailedContentHostLeavesOnlyTheSecondHostsAnswer) {
    server.serve("/cdn.txt", ScriptedResponse::ok(server.host("cdn")));
    ScriptedResponse cut = ScriptedResponse::ok("0123456789");
    cut.truncateAfter = 6;
    server.script("/v1-pkg.zip", {cut, cut, ScriptedResponse::ok("0123456789")});
    std::stringstream output;
    std::string etag = "cached";
    EXPECT_EQ(download("/v1-pkg.zip", output, etag), 200);
    EXPECT_EQ(output.str(), "0123456789");
    EXPECT_EQ(etag, platform::md5Hex("0123456789"));
    const auto requests = server.requestsFor("/v1-pkg.zip");
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].host, server.host("setup"));
    EXPECT_EQ(requests[2].ifNoneMatch, "\"cached\"");
}

TEST_F(CdnSelectionTest, CancellationIsNotFallenBackFrom) {
    server.serve("/cdn.txt", ScriptedResponse::ok(server.host("cdn")));
    server.serve("/v1-pkg.zip", ScriptedResponse::ok(std::string(1 << 20, 'z')));
    std::stringstream output;
    std::string etag;
    EXPECT_THROW(httpGetFromCdn(site, etag, output, site.installHostName, "/v1-pkg.zip",
                                [](int, int) { throw cancel_exception(true); }),
                 cancel_exception);
    EXPECT_EQ(server.countFor("/v1-pkg.zip"), 1u);
    EXPECT_EQ(site.logCount("Failure getting"), 0);
}

TEST_F(CdnSelectionTest, ThreadsAskingAtOnceShareOneAnswer) {
    ScriptedResponse slow = ScriptedResponse::ok(server.host("cdn"));
    slow.delayMilliseconds = 100;
    server.serve("/cdn.txt", slow);
    std::vector<std::string> answers(8);
    std::vector<std::thread> threads;
    for (auto& answer : answers) threads.emplace_back([&] { answer = getPrimaryCdn(site); });
    for (auto& thread : threads) thread.join();
    for (const auto& answer : answers) EXPECT_EQ(answer, server.host("cdn"));
    EXPECT_EQ(server.countFor("/cdn.txt"), 1u);
}

TEST_F(CdnSelectionTest, FixedMappingAsksNoServer) {
    site.fixedCdnMapping = true;
    site.installHostName = "setup.zorbit.localhost:8470";  // the standard setup host
    EXPECT_EQ(getPrimaryCdn(site), "cdn.zorbit.localhost:8470");
    cdn_testing::resetSelection();
    site.installHostName = server.host("setup");
    EXPECT_EQ(getPrimaryCdn(site), server.host("setup"));
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(site.logCount("primaryCdn: "), 2);
}

TEST_F(CdnSelectionTest, InstallerListChoosesTheContentHost) {
    site.installerCdnList = true;
    server.serve("/install/GetInstallerCdns.ashx",
                 ScriptedResponse::ok("{\"" + server.host("never") + "\": 0, \"" +
                                      server.host("cdn") + "\": 5}"));
    server.serve("/v1-pkg.zip", ScriptedResponse::ok("zip bytes"));
    std::stringstream output;
    std::string etag;
    EXPECT_EQ(download("/v1-pkg.zip", output, etag), 200);
    EXPECT_EQ(hostsAsked("/v1-pkg.zip"), std::vector<std::string>{server.host("cdn")});
    EXPECT_EQ(hostsAsked("/install/GetInstallerCdns.ashx"),
              std::vector<std::string>{server.host("www")});
    EXPECT_EQ(server.countFor("/cdn.txt"), 0u);
    EXPECT_EQ(site.logCount("primaryCdns: {"), 1);
}

TEST_F(CdnSelectionTest, UnusableInstallerListFallsToCdnTxt) {
    site.installerCdnList = true;
    server.serve("/install/GetInstallerCdns.ashx", ScriptedResponse::ok("not json"));
    server.serve("/cdn.txt", ScriptedResponse::ok(server.host("cdn")));
    EXPECT_EQ(getInstallerCdn(site), "");
    EXPECT_EQ(site.logCount("primaryCdn exception, falling back to secondary installHost"), 1);
    server.serve("/v1-pkg.zip", ScriptedResponse::ok("zip bytes"));
    std::stringstream output;
    std::string etag;
    download("/v1-pkg.zip", output, etag);
    EXPECT_EQ(hostsAsked("/v1-pkg.zip"), std::vector<std::string>{server.host("cdn")});
    EXPECT_EQ(server.countFor("/install/GetInstallerCdns.ashx"), 1u);
}

TEST(PickInstallerCdn, WeightsPickInTheOrderWritten) {
    for (int r = 0; r < 20; ++r) EXPECT_EQ(pickInstallerCdn("{\"a\": 0, \"b\": 5}", r), "b");
    EXPECT_EQ(pickInstallerCdn("{\"a\": 80, \"b\": 20}", 0), "a");
    EXPECT_EQ(pickInstallerCdn("{\"a\": 80, \"b\": 20}", 79), "a");
    EXPECT_EQ(pickInstallerCdn("{\"a\": 80, \"b\": 20}", 80), "b");
    EXPECT_EQ(pickInstallerCdn("{\"a\": 80, \"b\": 20}", 99), "b");
    EXPECT_EQ(pickInstallerCdn("{\"a\": 80, \"b\": 20}", 100), "a");
    EXPECT_EQ(pickInstallerCdn("{\"z\": 1, \"a\": 1}", 0), "z");
}

TEST(PickInstallerCdn, EmptyOrWeightlessListsPickNothingAndBadOnesThrow) {
    EXPECT_EQ(pickInstallerCdn("{}", 3), "");
    EXPECT_EQ(pickInstallerCdn("{\"a\": 0, \"b\": 0}", 3), "");
    EXPECT_ANY_THROW(pickInstallerCdn("not json", 0));
    EXPECT_ANY_THROW(pickInstallerCdn("{\"a\": \"heavy\"}", 0));
    EXPECT_ANY_THROW(pickInstallerCdn("{\"a\": 1.5}", 0));
    EXPECT_ANY_THROW(pickInstallerCdn("{\"a\": " + std::string(400000, '['), 0));
}
