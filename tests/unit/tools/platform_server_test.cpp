// The local platform server over real loopback HTTP: what each host answers,
// ETags and 304s, every injected fault, the journal and the control endpoint.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "content_digest.h"
#include "faulted_answer.h"
#include "platform/md5.h"
#include "platform/process.h"
#include "support/local_platform_server.h"
#include "support/test_process.h"

namespace {

using zorbit::server::EtagFault;
using zorbit::server::Fault;
using Clock = std::chrono::steady_clock;

struct Reply {
    httplib::Error error = httplib::Error::Unknown;
    int status = 0;
    std::string body;
    httplib::Headers headers;

    bool ok() const { return error == httplib::Error::Success; }
    std::string header(const std::string& name) const {
        auto it = headers.find(name);
        return it == headers.end() ? "" : it->second;
    }
    bool hasHeader(const std::string& name) const { return headers.count(name) > 0; }
};

Reply toReply(const httplib::Result& result) {
    Reply reply;
    reply.error = result.error();
    if (result) {
        reply.status = result->status;
        reply.body = result->body;
        reply.headers = result->headers;
    }
    return reply;
}

httplib::Client client(int port) {
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(5, 0);
    return client;
}

Reply get(int port, const std::string& host, const std::string& target,
          httplib::Headers headers = {}) {
    headers.emplace("Host", host);
    return toReply(client(port).Get(target.c_str(), headers));
}

Reply post(int port, const std::string& host, const std::string& target, const std::string& body,
           const std::string& contentType = "text/plain") {
    return toReply(client(port).Post(target.c_str(), {{"Host", host}}, body, contentType.c_str()));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

LocalPlatformServerOptions withoutLauncher(const std::string& journalPath = "") {
    LocalPlatformServerOptions options;
    options.withLauncher = false;
    options.journalPath = journalPath;
    return options;
}

struct PlatformServerTest : ::testing::Test {
    LocalPlatformServer platform{withoutLauncher()};
    int port = platform.port();
    std::string guid = platform.versionGuid();
    std::string fontsPath = "/" + guid + "-content-fonts.zip";
    std::string fontsFile = platform.root() + fontsPath;

    Reply getFonts(httplib::Headers headers = {}) {
        return get(port, platform.contentHost(), fontsPath, std::move(headers));
    }
    Fault fontsFault() {
        Fault fault;
        fault.path = fontsPath;
        return fault;
    }
};

TEST_F(PlatformServerTest, SetupHostAndMirrorServeTheDeployment) {
    const Reply version = get(port, platform.installHost(), "/versionZARadada?guid4711");
    EXPECT_EQ(version.status, 200);
    EXPECT_EQ(version.body, guid);

    const std::string zip = readFile(fontsFile);
    for (const std::string& host : {platform.installHost(), platform.contentHost()}) {
        const Reply package = get(port, host, fontsPath);
        EXPECT_EQ(package.status, 200) << host;
        EXPECT_EQ(package.body, zip) << host;
        EXPECT_EQ(package.header("Content-Length"), std::to_string(zip.size()));
    }
    const Reply cdn = get(port, platform.installHost(), "/cdn.txt");
    EXPECT_EQ(cdn.body, platform.contentHost());
    EXPECT_EQ(get(port, platform.installHost(), "/" + guid + "-zbtManifest.txt").body,
              readFile(platform.deployment().manifestPath));
}

TEST_F(PlatformServerTest, HostsOnlyAnswerTheirOwnRequests) {
    EXPECT_EQ(get(port, platform.dataHost(), fontsPath).status, 404);
    EXPECT_EQ(get(port, platform.apiHost("clientsettings"), fontsPath).status, 404);
    const Reply unknown = get(port, "elsewhere.localhost:" + std::to_string(port), fontsPath);
    EXPECT_EQ(unknown.status, 404);
    EXPECT_EQ(unknown.body, "Unknown host");
    // The port of the Host header does not matter, the case of the name neither.
    EXPECT_EQ(get(port, "CDN.qasite1.zorbit.localhost:1", fontsPath).status, 200);
    EXPECT_EQ(get(port, platform.contentHost(), "/no-such-file.zip").status, 404);
    // Names that would leave the root are refused.
    EXPECT_EQ(get(port, platform.contentHost(), "/%2e%2e%2froot%2fversionZARadada").status, 404);
    EXPECT_EQ(get(port, platform.contentHost(), "/..").status, 404);
    EXPECT_EQ(post(port, platform.contentHost(), fontsPath, "x").status, 405);
}

TEST_F(PlatformServerTest, ApiServicesAnswerFromTheRoot) {
    const std::string query = "/?apiKey=3f9c1d27-8b4e-4a6d-b2c5-9e71f0a4d863";
    const Reply version =
        get(port, platform.apiHost("versioncompatibility"),
            "/GetCurrentClientVersionUpload" + query + "&binaryType=WindowsStudio");
    EXPECT_EQ(version.status, 200);
    EXPECT_EQ(version.body, "\"" + guid + "\"");

    const std::string settingsPath = "/Setting/QuietGet/WindowsStudioBootstrapperSettings" + query;
    EXPECT_EQ(get(port, platform.apiHost("clientsettings"), settingsPath).body, "{}");
    writeFile(platform.root() + "/clientsettings.json", "{\"UseNewVersionFetch\":\"True\"}");
    EXPECT_EQ(get(port, platform.apiHost("clientsettings"), settingsPath).body,
              "{\"UseNewVersionFetch\":\"True\"}");
    writeFile(platform.root() + "/clientsettings-WindowsStudioBootstrapperSettings.json",
              "{\"A\":1}");
    EXPECT_EQ(get(port, platform.apiHost("clientsettings"), settingsPath).body, "{\"A\":1}");

    const Reply counters =
        post(port, platform.apiHost("ephemeralcounters"), "/v1.0/MultiIncrement" + query,
             "counterNamesCsv=ZARadadaBootstrapperInstall", "*/*");
    EXPECT_EQ(counters.status, 200);
    const auto entries = platform.requestsFor("/v1.0/MultiIncrement/");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].body, "counterNamesCsv=ZARadadaBootstrapperInstall");
}

TEST_F(PlatformServerTest, SiteAndDataHostsTakeReportsAndUploads) {
    const Reply cdns = get(port, platform.baseHost(), "/install/GetInstallerCdns.ashx");
    EXPECT_EQ(cdns.body, "{\"" + platform.contentHost() + "\":100}");
    EXPECT_EQ(
        get(port, platform.baseHost(), "/Game/JoinRate.ashx?c=a&r=b&d=1&platform=Win32").status,
        200);
    EXPECT_EQ(post(port, platform.baseHost(), "/game/report-stats?name=x&value=1", "").status, 200);
    EXPECT_EQ(post(port, platform.baseHost(),
                   "/client-status/set?browserTrackerId=7&status=BootstrapperInstalling", "")
                  .status,
              200);

    // Uploads are kept whole, also past the journal's body limit.
    const std::string log(100 * 1024, 'L');
    const Reply upload = post(port, platform.dataHost(),
                              "/Error/InstallLog.ashx?version=1.6.3.173&stage=00&guid=42", log);
    EXPECT_EQ(upload.status, 200);
    EXPECT_EQ(
        post(port, platform.baseHost(), "/Error/InstallLog.ashx?version=1&stage=00&guid=1", "small")
            .status,
        200);
    const auto uploads = platform.server().uploads();
    ASSERT_EQ(uploads.size(), 2u);
    EXPECT_EQ(uploads[0].body, log);
    EXPECT_EQ(uploads[0].target, "/Error/InstallLog.ashx?version=1.6.3.173&stage=00&guid=42");
    EXPECT_EQ(uploads[1].hostName(), "www.qasite1.zorbit.localhost");
}

TEST_F(PlatformServerTest, EtagIsTheBodysMd5AndAMatchGives304) {
    const std::string etag = "\"" + zorbit::server::md5HexOfFile(fontsFile) + "\"";
    const Reply first = getFonts();
    EXPECT_EQ(first.header("ETag"), etag);

    const Reply cached = getFonts({{"If-None-Match", etag}});
    EXPECT_EQ(cached.status, 304);
    EXPECT_TRUE(cached.body.empty());
    EXPECT_EQ(cached.header("ETag"), etag);

    EXPECT_EQ(getFonts({{"If-None-Match", "\"0123\""}}).status, 200);
    EXPECT_EQ(getFonts({{"If-None-Match", "\"0123\", " + etag}}).status, 304);

    // A new file under the same name gets a new ETag.
    writeFile(fontsFile, "replaced");
    const Reply replaced = getFonts({{"If-None-Match", etag}});
    EXPECT_EQ(replaced.status, 200);
    EXPECT_EQ(replaced.header("ETag"), "\"" + platform::md5Hex("replaced") + "\"");
    // Texts get ETags too.
    EXPECT_EQ(get(port, platform.installHost(), "/versionZARadada").header("ETag"),
              "\"" + platform::md5Hex(guid) + "\"");
}

TEST_F(PlatformServerTest, StatusFaultFailsChosenTimesThenSucceeds) {
    Fault fault = fontsFault();
    fault.status = 503;
    fault.times = 2;
    platform.addFault(fault);
    EXPECT_EQ(getFonts().status, 503);
    EXPECT_FALSE(getFonts().hasHeader("ETag"));
    EXPECT_EQ(getFonts().status, 200);
    EXPECT_TRUE(platform.server().faults().empty());
    // Other paths were never affected.
    EXPECT_EQ(get(port, platform.installHost(), "/versionZARadada").status, 200);
}

TEST_F(PlatformServerTest, FaultsMatchByGlobHostAndMethod) {
    Fault fault;
    fault.path = "/*-content-*.zip";
    fault.host = "cdn.*";
    fault.status = 404;
    platform.addFault(fault);
    EXPECT_EQ(getFonts().status, 404);
    EXPECT_EQ(get(port, platform.installHost(), fontsPath).status, 200);
    EXPECT_EQ(get(port, platform.contentHost(), "/" + guid + "-shaders.zip").status, 200);
    platform.clearFaults();

    fault = Fault{};
    fault.method = "POST";
    fault.status = 500;
    platform.addFault(fault);
    EXPECT_EQ(getFonts().status, 200);
    EXPECT_EQ(post(port, platform.baseHost(), "/client-status/set", "").status, 500);
}

TEST_F(PlatformServerTest, DelayHoldsTheAnswer) {
    Fault fault = fontsFault();
    fault.delayMs = 300;
    platform.addFault(fault);
    const auto start = Clock::now();
    EXPECT_EQ(getFonts().status, 200);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(300));
}

TEST_F(PlatformServerTest, StallNeverAnswersAndDoesNotHoldUpStop) {
    Fault fault = fontsFault();
    fault.stall = true;
    platform.addFault(fault);
    auto stalled = client(port);
    stalled.set_read_timeout(0, 300000);
    const auto reply = toReply(stalled.Get(fontsPath.c_str(), {{"Host", platform.contentHost()}}));
    EXPECT_FALSE(reply.ok());
    // A second client still waiting when the server stops is let go at once.
    std::thread waiting([&] {
        auto other = client(port);
        other.set_read_timeout(10, 0);
        EXPECT_FALSE(
            toReply(other.Get(fontsPath.c_str(), {{"Host", platform.contentHost()}})).ok());
    });
    ASSERT_TRUE(platform.server().waitForRequest(
        [](const auto& entry) { return entry.sequence == 2; }, std::chrono::seconds(5)));
    const auto start = Clock::now();
    platform.server().stop();
    waiting.join();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1500));
}

// The scripted test server answers once a stall is let go; this server drops.
TEST(FaultedAnswer, ALetGoHoldAnswersOrDropsAsAsked) {
    using zorbit::server::holdAnswer;
    using zorbit::server::OnRelease;
    zorbit::server::StopSignal signal;
    Fault delay;
    delay.delayMs = 10;
    EXPECT_TRUE(holdAnswer(delay, signal, OnRelease::Drop));
    signal.trigger();
    Fault stall;
    stall.stall = true;
    EXPECT_TRUE(holdAnswer(stall, signal, OnRelease::Answer));
    EXPECT_FALSE(holdAnswer(stall, signal, OnRelease::Drop));
    EXPECT_FALSE(holdAnswer(delay, signal, OnRelease::Drop));
    Fault drop;
    drop.drop = true;
    EXPECT_FALSE(holdAnswer(drop, signal, OnRelease::Answer));
}

TEST_F(PlatformServerTest, DropClosesWithoutAnAnswer) {
    Fault fault = fontsFault();
    fault.drop = true;
    fault.times = 1;
    platform.addFault(fault);
    const Reply dropped = getFonts();
    EXPECT_FALSE(dropped.ok());
    EXPECT_EQ(dropped.status, 0);
    EXPECT_EQ(getFonts().status, 200);
}

TEST_F(PlatformServerTest, TruncatedBodyAnnouncesTheWholeLength) {
    const auto size = std::filesystem::file_size(fontsFile);
    Fault fault = fontsFault();
    fault.truncateAfter = 1000;
    platform.addFault(fault);
    // Read by hand: the client library gives up on the short body.
    std::string received;
    size_t announced = 0;
    auto result = client(port).Get(
        fontsPath.c_str(), {{"Host", platform.contentHost()}},
        [&](const httplib::Response& response) {
            announced = std::stoul(response.get_header_value("Content-Length"));
            return true;
        },
        [&](const char* data, size_t length) {
            received.append(data, length);
            return true;
        });
    EXPECT_FALSE(result);
    EXPECT_EQ(announced, size);
    EXPECT_EQ(received, readFile(fontsFile).substr(0, 1000));
}

TEST_F(PlatformServerTest, RangesAnswerLikeAStaticServer) {
    const std::string zip = readFile(fontsFile);
    const std::string total = std::to_string(zip.size());
    const std::string etag = "\"" + zorbit::server::md5HexOfFile(fontsFile) + "\"";
    const Reply rest = getFonts({{"Range", "bytes=100-"}, {"If-Range", etag}});
    EXPECT_EQ(rest.status, 206);
    EXPECT_EQ(rest.header("Content-Range"),
              "bytes 100-" + std::to_string(zip.size() - 1) + "/" + total);
    EXPECT_EQ(rest.body, zip.substr(100));
    EXPECT_EQ(rest.header("Accept-Ranges"), "bytes");
    EXPECT_EQ(getFonts({{"Range", "bytes=10-19"}}).body, zip.substr(10, 10));
    // The last bytes, as a package's directory is read; a longer suffix is the whole file.
    const Reply tail = getFonts({{"Range", "bytes=-30"}});
    EXPECT_EQ(tail.status, 206);
    EXPECT_EQ(tail.header("Content-Range"), "bytes " + std::to_string(zip.size() - 30) + "-" +
                                                std::to_string(zip.size() - 1) + "/" + total);
    EXPECT_EQ(tail.body, zip.substr(zip.size() - 30));
    EXPECT_EQ(getFonts({{"Range", "bytes=-" + total + "0"}}).body, zip);
    EXPECT_EQ(getFonts({{"Range", "bytes=-0"}}).status, 416);

    const Reply changed = getFonts({{"Range", "bytes=100-"}, {"If-Range", "\"other\""}});
    EXPECT_EQ(changed.status, 200);
    EXPECT_EQ(changed.body, zip);
    const Reply past = getFonts({{"Range", "bytes=" + total + "-"}});
    EXPECT_EQ(past.status, 416);
    EXPECT_EQ(past.header("Content-Range"), "bytes */" + total);

    Fault fault = fontsFault();
    fault.ignoreRange = true;
    fault.times = 1;
    platform.addFault(fault);
    const Reply ignored = getFonts({{"Range", "bytes=100-"}});
    EXPECT_EQ(ignored.status, 200);
    EXPECT_EQ(ignored.body, zip);
    EXPECT_FALSE(ignored.hasHeader("Accept-Ranges"));

    const auto journal = platform.journal();
    ASSERT_EQ(journal.size(), 8u);
    EXPECT_EQ(journal[0].header("Range"), "bytes=100-");
    EXPECT_EQ(journal[0].status, 206);
    EXPECT_EQ(journal[0].bodyBytesSent, zip.size() - 100);
    EXPECT_EQ(journal[7].fault, "ignoreRange times=1");
}

TEST_F(PlatformServerTest, EtagFaults) {
    const std::string etag = "\"" + zorbit::server::md5HexOfFile(fontsFile) + "\"";
    Fault fault = fontsFault();
    fault.etag = EtagFault::Missing;
    fault.times = 2;
    platform.addFault(fault);
    EXPECT_FALSE(getFonts().hasHeader("ETag"));
    // Without an ETag there is nothing to match: the whole body comes.
    EXPECT_EQ(getFonts({{"If-None-Match", etag}}).status, 200);

    fault.etag = EtagFault::Wrong;
    fault.times = 1;
    platform.addFault(fault);
    const Reply wrong = getFonts();
    EXPECT_EQ(wrong.status, 200);
    ASSERT_TRUE(wrong.hasHeader("ETag"));
    EXPECT_NE(wrong.header("ETag"), etag);
    EXPECT_EQ(wrong.header("ETag").size(), etag.size());
}

TEST_F(PlatformServerTest, BodyWithoutContentLength) {
    const std::string zip = readFile(fontsFile);
    Fault fault = fontsFault();
    fault.noContentLength = true;
    fault.times = 1;
    platform.addFault(fault);
    Reply reply = getFonts();
    EXPECT_EQ(reply.body, zip);
    EXPECT_FALSE(reply.hasHeader("Content-Length"));
    EXPECT_FALSE(reply.hasHeader("Transfer-Encoding"));

    fault.noContentLength = false;
    fault.chunked = true;
    platform.addFault(fault);
    reply = getFonts();
    EXPECT_EQ(reply.body, zip);
    EXPECT_FALSE(reply.hasHeader("Content-Length"));
    EXPECT_EQ(reply.header("Transfer-Encoding"), "chunked");
}

TEST_F(PlatformServerTest, ThrottledBody) {
    const auto size = std::filesystem::file_size(fontsFile);
    Fault fault = fontsFault();
    fault.bytesPerSecond = static_cast<int64_t>(size) * 4;  // about a quarter of a second
    platform.addFault(fault);
    const auto start = Clock::now();
    EXPECT_EQ(getFonts().body.size(), size);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(200));
}

TEST_F(PlatformServerTest, JournalRecordsEveryRequest) {
    getFonts({{"If-None-Match", "\"abc\""}});
    Fault fault;
    fault.path = "/versionZARadada";
    fault.status = 500;
    platform.addFault(fault);
    get(port, platform.installHost(), "/versionZARadada?guid12");
    post(port, platform.baseHost(), "/game/report-stats?name=n&value=2", "payload");

    const auto journal = platform.journal();
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_EQ(journal[0].method, "GET");
    EXPECT_EQ(journal[0].host, platform.contentHost());
    EXPECT_EQ(journal[0].target, fontsPath);
    EXPECT_EQ(journal[0].header("if-none-match"), "\"abc\"");
    EXPECT_EQ(journal[0].status, 200);
    EXPECT_EQ(journal[1].target, "/versionZARadada?guid12");
    EXPECT_EQ(journal[1].path, "/versionZARadada");
    EXPECT_EQ(journal[1].status, 500);
    EXPECT_EQ(journal[1].fault, "status=500");
    EXPECT_EQ(journal[2].bodySize, 7u);
    EXPECT_EQ(journal[2].body, "payload");
    EXPECT_LT(journal[0].sequence, journal[1].sequence);
}

TEST(PlatformServerJournal, FileHoldsTheSameEntriesAsJsonLines) {
    TempDir temp;
    const std::string path = temp.file("journal.jsonl");
    LocalPlatformServer platform{withoutLauncher(path)};
    const std::string binary("\x00\xff\x80zip", 6);
    post(platform.port(), platform.dataHost(), "/Error/InstallLog.ashx?version=1&stage=00&guid=1",
         binary);
    get(platform.port(), platform.installHost(), "/versionZARadada");

    const auto fromFile = zorbit::server::readJournalFile(path);
    const auto inMemory = platform.journal();
    ASSERT_EQ(fromFile.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(fromFile[i].sequence, inMemory[i].sequence);
        EXPECT_EQ(fromFile[i].target, inMemory[i].target);
        EXPECT_EQ(fromFile[i].headers, inMemory[i].headers);
        EXPECT_EQ(fromFile[i].body, inMemory[i].body);
        EXPECT_EQ(fromFile[i].status, inMemory[i].status);
    }
    EXPECT_EQ(fromFile[0].body, binary);
    // Bodies of every length modulo three (every padding of the encoding).
    for (size_t size = 1; size <= 3; ++size) {
        zorbit::server::JournalEntry entry;
        entry.body = binary.substr(1, size);
        entry.bodyKept = true;
        const auto line = zorbit::server::journalEntryToJson(entry);
        EXPECT_EQ(zorbit::server::journalEntryFromJson(line).body, entry.body) << line;
    }
}

TEST_F(PlatformServerTest, ControlEndpointSetsFaultsAndShowsTheJournal) {
    const std::string control = platform.controlHost();
    const Reply added = post(port, control, "/faults",
                             "[{\"path\":\"" + fontsPath +
                                 "\",\"status\":502,\"times\":1},"
                                 "{\"path\":\"/versionZARadada\",\"etag\":\"missing\"}]",
                             "application/json");
    EXPECT_EQ(added.status, 200);
    EXPECT_EQ(added.body, "{\"added\":2}");
    EXPECT_EQ(platform.server().faults().size(), 2u);
    EXPECT_EQ(getFonts().status, 502);
    EXPECT_EQ(getFonts().status, 200);

    EXPECT_EQ(post(port, control, "/faults", "{\"path\":1}").status, 400);
    EXPECT_EQ(post(port, control, "/faults", "{\"colour\":\"red\"}").status, 400);
    EXPECT_EQ(post(port, control, "/faults", "not json").status, 400);

    const Reply journal = get(port, control, "/journal");
    EXPECT_EQ(std::count(journal.body.begin(), journal.body.end(), '\n'), 2);
    EXPECT_NE(journal.body.find("\"status\":502"), std::string::npos);

    EXPECT_EQ(toReply(client(port).Delete("/faults", {{"Host", control}})).status, 200);
    EXPECT_TRUE(platform.server().faults().empty());
    // Control requests are not journaled.
    EXPECT_EQ(platform.journal().size(), 2u);
}

}  // namespace

namespace {

// The server as a program, driven through its control endpoint like an
// end-to-end test drives it, and stopped with SIGTERM.
TEST(PlatformServerProgram, ServesReportsItsPortAndStopsOnTerm) {
    TempDir temp;
    const std::string root = temp.file("root");
    std::filesystem::create_directories(root);
    writeFile(root + "/versionZARadada", "version-1");
    const std::string portFile = temp.file("port");
    const std::string journal = temp.file("journal.jsonl");
    platform::ProcessInfo process;
    ASSERT_TRUE(platform::startProcess(
        platform::joinCommandLine({LocalPlatformServer::serverBinary(), "--root", root, "--port",
                                   "0", "--port-file", portFile, "--journal", journal}),
        process));
    int port = 0;
    for (int waited = 0; waited < 10000 && port == 0; waited += 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::ifstream(portFile) >> port;
    }
    ASSERT_GT(port, 0);
    const std::string control = "control.zorbit.localhost:" + std::to_string(port);
    const std::string site = "www.qasite1.zorbit.localhost:" + std::to_string(port);
    EXPECT_EQ(get(port, control, "/health").body, "ok");
    EXPECT_EQ(
        post(port, control, "/faults", "{\"path\":\"/versionZARadada\",\"status\":500,\"times\":1}")
            .status,
        200);
    EXPECT_EQ(get(port, site, "/versionZARadada?guid1").status, 500);
    EXPECT_EQ(get(port, site, "/versionZARadada?guid1").body, "version-1");

    test_process::askToEnd(process.processId);
    int exitCode = -1;
    ASSERT_TRUE(platform::waitForProcess(process, 5000, &exitCode));
    EXPECT_EQ(exitCode, 0);
    const auto entries = zorbit::server::readJournalFile(journal);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].status, 500);
    EXPECT_EQ(entries[1].target, "/versionZARadada?guid1");
}

}  // namespace

namespace {

// Form-encoded bodies are not capped by the HTTP library's 8 KiB form limit.
TEST_F(PlatformServerTest, LargeFormBodiesAreTaken) {
    const std::string names = "counterNamesCsv=" + std::string(20000, 'A');
    EXPECT_EQ(post(port, platform.apiHost("ephemeralcounters"), "/v1.0/MultiIncrement/?apiKey=k",
                   names, "application/x-www-form-urlencoded")
                  .status,
              200);
    EXPECT_EQ(platform.journal().back().body, names);
}

struct HttpsPlatformServerTest : ::testing::Test {
    static LocalPlatformServerOptions httpsOptions() {
        LocalPlatformServerOptions options = withoutLauncher();
        options.https = true;
        return options;
    }
    LocalPlatformServer platform{httpsOptions()};

    std::unique_ptr<httplib::SSLClient> tlsClient(bool trusted) {
        auto client = std::make_unique<httplib::SSLClient>("127.0.0.1", platform.port());
        client->set_read_timeout(5, 0);
        if (trusted) client->set_ca_cert_path(platform.certificatePath().c_str());
        client->enable_server_certificate_verification(true);
        return client;
    }
};

TEST_F(HttpsPlatformServerTest, OnePortAnswersTlsAndPlainHttp) {
    const std::string guid = platform.versionGuid();
    for (const std::string& host :
         {platform.installHost(), platform.apiHost("versioncompatibility")}) {
        const std::string target = host == platform.installHost()
                                       ? "/versionZARadada?guid3"
                                       : "/GetCurrentClientVersionUpload/";
        const Reply secure = toReply(tlsClient(true)->Get(target.c_str(), {{"Host", host}}));
        EXPECT_EQ(secure.status, 200) << host << " " << httplib::to_string(secure.error);
        EXPECT_NE(secure.body.find(guid), std::string::npos);
    }
    EXPECT_EQ(get(platform.port(), platform.installHost(), "/versionZARadada").body, guid);
    const std::string log(50000, 'x');
    EXPECT_EQ(toReply(tlsClient(true)->Post("/Error/InstallLog.ashx?version=1&stage=00&guid=1",
                                            {{"Host", platform.dataHost()}}, log, "text/plain"))
                  .status,
              200);

    const auto journal = platform.journal();
    ASSERT_EQ(journal.size(), 4u);
    EXPECT_TRUE(journal[0].tls);
    EXPECT_TRUE(journal[1].tls);
    EXPECT_FALSE(journal[2].tls);
    EXPECT_EQ(journal[3].body, log);
}

TEST_F(HttpsPlatformServerTest, UntrustedCertificateFailsTheHandshakeOnly) {
    EXPECT_FALSE(tlsClient(false)->Get("/versionZARadada", {{"Host", platform.installHost()}}));
    EXPECT_TRUE(platform.journal().empty());
    EXPECT_EQ(get(platform.port(), platform.installHost(), "/versionZARadada").status, 200);
}

TEST_F(HttpsPlatformServerTest, FaultsApplyOverTls) {
    Fault fault;
    fault.path = "/versionZARadada";
    fault.drop = true;
    fault.times = 1;
    platform.addFault(fault);
    EXPECT_FALSE(tlsClient(true)->Get("/versionZARadada", {{"Host", platform.installHost()}}));
    fault.drop = false;
    fault.status = 503;
    platform.addFault(fault);
    EXPECT_EQ(toReply(tlsClient(true)->Get("/versionZARadada", {{"Host", platform.installHost()}}))
                  .status,
              503);
}

}  // namespace
