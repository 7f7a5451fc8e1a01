// What the transport makes of an answer's head and of a URL, without a server.
#include "platform/http_transport.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/loopback_http_server.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_certificate.h"

namespace {

void addLines(platform::HttpResponseHead& head, std::initializer_list<std::string> lines) {
    for (const std::string& line : lines) head.addLine(line.data(), line.size());
}

}  // namespace

TEST(HttpResponseHead, ARedirectsHeadGivesWayToTheNextAnswer) {
    platform::HttpResponseHead head;
    addLines(head, {"HTTP/1.1 301 Moved Permanently\r\n", "ETag: \"old\"\r\n", "\r\n"});
    EXPECT_TRUE(head.complete);
    EXPECT_EQ(head.status, 301);
    addLines(head, {"HTTP/1.1 200 OK\r\n"});
    EXPECT_FALSE(head.complete);
    EXPECT_FALSE(head.etag);
    EXPECT_EQ(head.reason, "OK");
    addLines(head, {"etag:  \"a\" \r\n", "ETag: \"b\"\r\n", "Content-Length: 12\r\n", "\r\n"});
    EXPECT_EQ(head.etag, "\"a\"");
    EXPECT_EQ(head.contentLength, 12);
    EXPECT_TRUE(head.complete);
}

TEST(HttpResponseHead, AStatusWithoutReasonOrLength) {
    platform::HttpResponseHead head;
    addLines(head, {"HTTP/1.0 204\r\n", "Content-Length: many\r\n"});
    EXPECT_EQ(head.status, 204);
    EXPECT_EQ(head.reason, "");
    EXPECT_EQ(head.contentLength, -1);
}

TEST(UrlHost, ASchemelessUrlIsReadAsHttp) {
    EXPECT_EQ(platform::urlHost("www.x.localhost:8080/Game/Ticket"), "www.x.localhost");
    EXPECT_EQ(platform::urlHost("https://user@a.b/c"), "a.b");
    EXPECT_EQ(platform::urlHost(""), "");
    EXPECT_EQ(platform::urlHost("http://"), "");
}

TEST(HttpExchange, UnusableUrlsFailBeforeAnyTransfer) {
    platform::HttpRequest request;
    request.url = "www.x.localhost/path";
    EXPECT_EQ(platform::exchangeHttp(request).failure, platform::HttpFailure::BadUrl);
    request.url = "http://[::1";
    request.schemeOptional = true;
    EXPECT_EQ(platform::exchangeHttp(request).failure, platform::HttpFailure::BadUrl);
}

// Later exchanges with a host go over the socket the first opened: those of
// a connection, and a thread's one-off exchanges.
TEST(HttpExchange, LaterExchangesKeepTheFirstOnesSocket) {
    LoopbackHttpServer server;
    server.serve("/a", ScriptedResponse::ok("first"));
    server.serve("/b", ScriptedResponse::ok("second"));
    platform::HttpConnection connection;
    platform::HttpRequest request;
    for (const char* path : {"/a", "/b", "/a"}) {
        request.url = "http://" + server.host() + path;
        EXPECT_EQ(connection.exchange(request).head.status, 200) << path;
    }
    for (const char* path : {"/a", "/b"}) {
        request.url = "http://" + server.host() + path;
        EXPECT_EQ(platform::exchangeHttp(request).head.status, 200) << path;
    }
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[1].clientPort, requests[0].clientPort);
    EXPECT_EQ(requests[2].clientPort, requests[0].clientPort);
    EXPECT_EQ(requests[4].clientPort, requests[3].clientPort);
}

// The certificates trusted are those of the bundle named, else the system's,
// read once for the process: a second thread trusts the same, a server the
// system does not know is refused, and an unreadable bundle is named.
TEST(HttpExchange, HttpsTrustsTheBundleNamedElseTheSystemsCertificates) {
#ifdef _WIN32
    GTEST_SKIP() << "the test certificate and the https server need OpenSSL, which the Windows "
                    "build lacks";
#endif
    TempDir folder;
    TestCertificate certificate{folder.path()};
    LoopbackHttpServer site{certificate};
    site.serve("/x", ScriptedResponse::ok("body"));
    ScopedEnv noStandardBundle("SSL_CERT_FILE", "");
    auto get = [&](const std::string& bundle) {
        platform::HttpRequest request;
        request.url = "https://" + site.host() + "/x";
        request.caBundle = bundle;
        return platform::exchangeHttp(request);
    };
    EXPECT_EQ(get(certificate.pemPath()).head.status, 200);
    std::thread([&] { EXPECT_EQ(get(certificate.pemPath()).head.status, 200); }).join();
    EXPECT_EQ(get("").failure, platform::HttpFailure::Transfer);
    const platform::HttpResult missing = get(folder.file("missing.pem"));
    EXPECT_EQ(missing.failure, platform::HttpFailure::Transfer);
    EXPECT_EQ(missing.message, "error setting certificate file: " + folder.file("missing.pem"));
}
