// The shared game launcher: which installed program it starts, with which
// arguments, and how its failures reach the caller. The installed programs are
// copies of the Studio stand-in, which records the arguments it got.
#include "launch/shared_launcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "base/errors.h"
#include "base/logger.h"
#include "net/http_client.h"
#include "platform/elevation.h"
#include "support/local_platform_server.h"
#include "support/loopback_http_server.h"
#include "support/registry_sandbox.h"
#include "support/studio_standin.h"
#include "support/test_certificate.h"
#include "support/test_process.h"
#include "system/registry_operations.h"

namespace {

using Args = std::vector<std::string>;
using platform::RegistryHive;

const platform::Guid kClassId{0x12345678, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, 8}};
const char* kAuthUrl = "https://www.qasite1.zorbit.localhost/Login/Negotiate.ashx";
const char* kScript = "http://www.qasite1.zorbit.localhost/game/join.ashx?placeId=7&x=a b";

// The hive the shared launcher consults first: an elevated caller reads only the machine's.
RegistryHive callerHive() {
    return platform::isElevated() ? RegistryHive::LocalMachine : RegistryHive::CurrentUser;
}

struct SharedLauncherTest : ::testing::Test {
    RegistrySandbox sandbox;
    // A safety net: stand-ins end by themselves should a test fail before TearDown.
    ScopedEnv lifetime{"ZORBIT_STANDIN_LIFETIME_MS", "30000"};
    std::unique_ptr<simple_logger> logger = std::make_unique<simple_logger>();
    std::vector<std::string> programs;

    // A copy of the stand-in recorded as the key's program.
    std::string install(const char* keyPath, const std::string& name,
                        RegistryHive hive = callerHive()) {
        const std::string program = sandbox.dir().file(name);
        std::filesystem::copy_file(LocalPlatformServer::standinBinary(), program,
                                   std::filesystem::copy_options::overwrite_existing);
        createKey(hive, keyPath, program);
        programs.push_back(program);
        return program;
    }

    int32_t start(SharedLauncher::LaunchMode mode, const std::string& ticket = "TICKET-1",
                  bool silent = false, bool hidden = false, const std::string& authUrl = kAuthUrl,
                  const std::string& script = kScript) {
        return SharedLauncher::StartGame(*logger, ticket, authUrl, script, kClassId, silent,
                                         "ReadyEvent-1", hidden, "ShowEvent-1", mode);
    }

    // The arguments of the program's one start, once it has recorded them.
    static Args argumentsOf(const std::string& program) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            try {
                const auto starts = readStandinStarts(program);
                if (!starts.empty()) return starts.front().args;
            } catch (const std::runtime_error&) {
                // A record still being written.
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ADD_FAILURE() << program << " did not start";
        return {};
    }

    std::string failureDescription() {
        const auto info = SharedLauncher::GetErrorInfo();
        return info ? info->description : "(no error information)";
    }

    void TearDown() override {
        for (const auto& program : programs)
            for (const auto& started : readStandinStarts(program))
                test_process::killProcess(started.pid);
    }
};

const char* kStudioKey = SharedLauncher::kStudioKeyPath;
const char* kPlayerKey = SharedLauncher::kPlayerKeyPath;

}  // namespace

TEST_F(SharedLauncherTest, StudioModesStartTheStudioLauncherWithTheGameArguments) {
    const std::string studio = install(kStudioKey, "studio-launcher");
    install(kPlayerKey, "player");
    ASSERT_EQ(start(SharedLauncher::Build, "TICKET 1", true, true), 0) << failureDescription();
    EXPECT_EQ(argumentsOf(studio),
              (Args{"-build", "-url", kAuthUrl, "-ticket", "TICKET 1", "-script", kScript,
                    "-readyEvent", "ReadyEvent-1", "-showEvent", "ShowEvent-1", "-avatar"}));
    const std::string log = readWholeFile(logger->fileName());
    EXPECT_NE(log.find("Final cmd = \"" + studio + "\" -build -url "), std::string::npos) << log;
    EXPECT_NE(log.find(", unideEventName = ShowEvent-1, hidden = 1"), std::string::npos) << log;
}

TEST_F(SharedLauncherTest, EventNamesGoOnlyWithTheirFlags) {
    const std::string studio = install(kStudioKey, "studio-launcher");
    ASSERT_EQ(start(SharedLauncher::Edit), 0) << failureDescription();
    EXPECT_EQ(argumentsOf(studio), (Args{"-build", "-url", kAuthUrl, "-ticket", "TICKET-1",
                                         "-script", kScript, "-avatar"}));
}

TEST_F(SharedLauncherTest, PlayModeStartsThePlayerInThePlayForm) {
    install(kStudioKey, "studio-launcher");
    const std::string player = install(kPlayerKey, "player");
    ASSERT_EQ(start(SharedLauncher::Play), 0) << failureDescription();
    EXPECT_EQ(argumentsOf(player),
              (Args{"-play", kScript, kAuthUrl, "TICKET-1", "nonSilent", "nonHidden"}));
}

TEST_F(SharedLauncherTest, PlayFormKeepsEveryValueInItsPlace) {
    const std::string player = install(kPlayerKey, "player");
    const std::string hostile = "\" -evil \"x\\\"";
    ASSERT_EQ(SharedLauncher::StartGame(*logger, hostile, "", "", kClassId, true, "", true,
                                        "Show Event", static_cast<SharedLauncher::LaunchMode>(7)),
              0)
        << failureDescription();
    EXPECT_EQ(argumentsOf(player), (Args{"-play", "", "", hostile, "", "Show Event"}));
}

TEST_F(SharedLauncherTest, StudioModeWithoutAStudioStartsThePlayer) {
    const std::string player = install(kPlayerKey, "player");
    ASSERT_EQ(start(SharedLauncher::Build, "TICKET-1", true), 0) << failureDescription();
    EXPECT_EQ(argumentsOf(player),
              (Args{"-play", kScript, kAuthUrl, "TICKET-1", "ReadyEvent-1", "nonHidden"}));
}

TEST_F(SharedLauncherTest, StudioKeyNamingNoFileStartsThePlayer) {
    createKey(callerHive(), kStudioKey, sandbox.dir().file("removed-launcher"));
    const std::string player = install(kPlayerKey, "player");
    ASSERT_EQ(start(SharedLauncher::Edit), 0) << failureDescription();
    EXPECT_EQ(argumentsOf(player).front(), "-play");
}

TEST_F(SharedLauncherTest, NothingInstalledIsEFailNamingTheLastKeyTried) {
    for (auto mode : {SharedLauncher::Play, SharedLauncher::Build}) {
        EXPECT_EQ(start(mode), SharedLauncher::kEFail);
        EXPECT_EQ(failureDescription(), errorText(SharedLauncher::kEFail) +
                                            " (hr=0x80004005). operation: "
                                            "Open HKEY_LOCAL_MACHINE\\Software\\ZorbitReg key");
    }
    const std::string log = readWholeFile(logger->fileName());
    EXPECT_NE(log.find("SharedLauncher::StartGame try failed, in catch"), std::string::npos);
    // The system's own text for E_FAIL where it has one (Windows), else the code.
    EXPECT_NE(log.find("SharedLauncher::StartGame try failed, error: " +
                       errorText(SharedLauncher::kEFail)),
              std::string::npos);
}

TEST_F(SharedLauncherTest, KeyWithoutItsValueIsAFailureNotSuccess) {
    createKey(callerHive(), kPlayerKey);
    EXPECT_EQ(start(SharedLauncher::Play), static_cast<int32_t>(0x80070002u));
    const std::string description = failureDescription();
    EXPECT_NE(description.find("operation: Query Zorbit default key"), std::string::npos)
        << description;
}

TEST_F(SharedLauncherTest, OverlongPathIsNotRead) {
    createKey(callerHive(), kPlayerKey, "/" + std::string(260, 'p'));
    EXPECT_EQ(start(SharedLauncher::Play), static_cast<int32_t>(0x800700EAu));
}

TEST_F(SharedLauncherTest, MissingPlayerFailsWithTheCommandAsOperation) {
    const std::string missing = sandbox.dir().file("no-player");
    createKey(callerHive(), kPlayerKey, missing);
    EXPECT_EQ(start(SharedLauncher::Play), static_cast<int32_t>(0x80070002u));
    const std::string description = failureDescription();
    EXPECT_NE(description.find(errorText(static_cast<int32_t>(0x80070002u)) +
                               " (hr=0x80070002). operation: \"" + missing + "\" -play "),
              std::string::npos)
        << description;
}

TEST_F(SharedLauncherTest, CommandLineTooLongStartsNothing) {
    const std::string player = install(kPlayerKey, "player");
    EXPECT_EQ(start(SharedLauncher::Play, std::string(2100, 't')),
              static_cast<int32_t>(0x8007007Au));
    EXPECT_NE(failureDescription().find("operation: Start Zorbit.exe"), std::string::npos);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(readStandinStarts(player).empty());
}

TEST_F(SharedLauncherTest, CallersScopeChoosesTheHive) {
    const std::string machinePlayer =
        install(kPlayerKey, "machine-player", RegistryHive::LocalMachine);
    const std::string userPlayer = install(kPlayerKey, "user-player", RegistryHive::CurrentUser);
    ASSERT_EQ(start(SharedLauncher::Play), 0) << failureDescription();
    // Not elevated: the user's own installation comes first.
    const std::string expected = platform::isElevated() ? machinePlayer : userPlayer;
    EXPECT_EQ(argumentsOf(expected).front(), "-play");
    EXPECT_TRUE(readStandinStarts(expected == userPlayer ? machinePlayer : userPlayer).empty());
}

TEST_F(SharedLauncherTest, ErrorInformationNamesTheCallersProgramId) {
    createKey(RegistryHive::LocalMachine,
              "Software\\Classes\\CLSID\\" + platform::guidToString(kClassId) + "\\ProgID",
              "Zorbit.GameLauncher.1");
    ASSERT_EQ(start(SharedLauncher::Play), SharedLauncher::kEFail);
    const auto info = SharedLauncher::GetErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->source, "Zorbit.GameLauncher.1");
    EXPECT_FALSE(SharedLauncher::GetErrorInfo()) << "taken once";
    EXPECT_EQ(SharedLauncher::setErrorInfo(kClassId, "text", 0), SharedLauncher::kDispEException);
}

struct TicketRequestTest : SharedLauncherTest {
    LoopbackHttpServer site;
    std::string url() const { return "http://" + site.host() + "/Login/Negotiate.ashx?x=1"; }
};

TEST_F(TicketRequestTest, EmptyTicketIsAskedForAndPassedOn) {
    site.serve("/Login/Negotiate.ashx", ScriptedResponse::ok("SERVER-TICKET"));
    const std::string player = install(kPlayerKey, "player");
    ASSERT_EQ(start(SharedLauncher::Play, "", false, false, url()), 0) << failureDescription();
    EXPECT_EQ(argumentsOf(player),
              (Args{"-play", kScript, url(), "SERVER-TICKET", "nonSilent", "nonHidden"}));
    const auto requests = site.requestsFor("/Login/Negotiate.ashx");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, "/Login/Negotiate.ashx?x=1");
    EXPECT_EQ(requests[0].header("ZBTAuthenticationNegotiation"), "www.zorbit.localhost");
    EXPECT_EQ(requests[0].header("User-Agent"), "ZorbitProxy");
}

TEST_F(TicketRequestTest, GivenTicketMakesNoRequest) {
    const std::string player = install(kPlayerKey, "player");
    ASSERT_EQ(start(SharedLauncher::Play, "OWN", false, false, url()), 0);
    EXPECT_EQ(argumentsOf(player).at(3), "OWN");
    EXPECT_TRUE(site.requests().empty());
}

TEST_F(TicketRequestTest, FailedRequestGivesAnEmptyTicketAndTheLaunchGoesOn) {
    site.serve("/Login/Negotiate.ashx", ScriptedResponse::withStatus(403, "denied"));
    const std::string player = install(kPlayerKey, "player");
    ASSERT_EQ(start(SharedLauncher::Play, "", false, false, url()), 0);
    EXPECT_EQ(argumentsOf(player).at(3), "");
}

TEST_F(TicketRequestTest, AnswersAreCutAndMalformedUrlsAskNobody) {
    site.serve("/Login/Negotiate.ashx", ScriptedResponse::ok(std::string(5000, 'k')));
    EXPECT_EQ(SharedLauncher::requestTicket(url()), std::string(2048, 'k'));
    site.serve("/Login/Negotiate.ashx", ScriptedResponse::ok(std::string("AB\0CD", 5)));
    EXPECT_EQ(SharedLauncher::requestTicket(url()), "AB");
    EXPECT_EQ(SharedLauncher::requestTicket(""), "");
    EXPECT_EQ(SharedLauncher::requestTicket("http:///no-host"), "");
    EXPECT_EQ(site.requests().size(), 2u);
}

// The service's URL names https: the ticket is asked for over TLS.
TEST(TicketRequestTlsTest, HttpsUrlIsAskedOverTls) {
#ifdef _WIN32
    GTEST_SKIP() << "the test certificate and the https server need OpenSSL, which the Windows "
                    "build lacks";
#endif
    TempDir certificateFolder;
    TestCertificate certificate{certificateFolder.path()};
    LoopbackHttpServer tlsSite{certificate};
    http_testing::setCaBundle(certificate.pemPath());
    tlsSite.serve("/Login/Negotiate.ashx", ScriptedResponse::ok("TLS-TICKET"));
    const std::string ticket =
        SharedLauncher::requestTicket("https://" + tlsSite.host() + "/Login/Negotiate.ashx");
    http_testing::setCaBundle("");
    EXPECT_EQ(ticket, "TLS-TICKET");
}
