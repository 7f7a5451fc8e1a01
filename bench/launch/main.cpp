// How much the launcher adds to starting the Studio when the installation is
// current: the time from starting the launcher (in the Studio form the shared
// game launcher uses) to the stand-in's started event, beside the time from
// starting the stand-in directly to the same event. Both are started the same
// way (a child in the sandbox's isolation); rounds alternate which goes first.
// The HTTP requests the launcher made come from the local server's journal.
//
//   bench_launch [rounds] [--show-log] [--https]
//
// --show-log prints the last launcher log. --https serves https too, with the
// server's certificate trusted through SSL_CERT_FILE, as real servers answer
// (by default every https attempt fails against the plain-http server).

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/event.h"
#include "support/child_process.h"
#include "support/launcher_sandbox.h"
#include "support/local_platform_server.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kEventTimeoutMs = 30000;

struct Sample {
    double milliseconds = 0;
    size_t requestsBeforeStart = 0;  // answered by the time the Studio was up
    size_t requests = 0;             // during the whole launcher run
};

class LaunchBench {
public:
    explicit LaunchBench(bool https) : server_(serverOptions(https)), sandbox_(&server_) {
        if (https) sandbox_.environment()["SSL_CERT_FILE"] = server_.certificatePath();
        sandbox_.fakeInstalledVersion(server_.versionGuid());
        // The stand-in ends right after it signals: no Studio outlives its round.
        sandbox_.environment()["ZORBIT_STANDIN_LIFETIME_MS"] = "0";
        studio_ = sandbox_.versionFolder(server_.versionGuid()) + "ZorbitStudioBeta.exe";
        eventName_ = server_.baseHost() + "/zorbitZARadadaStartedEvent";
        // Named objects live in the user's runtime folder: the sandbox's, which
        // the stand-in signals in.
        ::setenv("XDG_RUNTIME_DIR", sandbox_.environment()["XDG_RUNTIME_DIR"].c_str(), 1);
        started_ = platform::Event::createNamed(eventName_, true, false);
        if (!started_) throw std::runtime_error("cannot create " + eventName_);
        if (::geteuid() == 0) {
            isolation_.bindMounts = {{sandbox_.path("machine-opt"), "/opt"},
                                     {sandbox_.path("machine-usr-local-share"), "/usr/local/share"},
                                     {sandbox_.path("machine-var-lib"), "/var/lib"}};
            if (sandbox_.perUser()) isolation_.uid = isolation_.gid = 65534;
        }
    }

    Sample throughLauncher() {
        const std::string base = server_.baseHost();
        const std::vector<std::string> arguments{
            "-build",       "-url",    "https://" + base + "/Login/Negotiate.ashx",    "-ticket",
            "BENCH-TICKET", "-script", "http://" + base + "/game/join.ashx?placeId=1", "-avatar"};
        const size_t before = server_.journal().size();
        Sample sample;
        sample.milliseconds = timeToStart([&] { return sandbox_.run(arguments, 60000); },
                                          &sample.requestsBeforeStart);
        sample.requestsBeforeStart -= before;
        sample.requests = server_.journal().size() - before;
        return sample;
    }

    Sample direct() {
        Sample sample;
        sample.milliseconds = timeToStart([&] {
            return runChild({studio_, "-startEvent", eventName_}, sandbox_.environment(), 60000,
                            isolation_.bindMounts.empty() ? nullptr : &isolation_);
        });
        return sample;
    }

    std::vector<zorbit::server::JournalEntry> journal() const { return server_.journal(); }
    std::string newestLog() const { return sandbox_.newestLog(); }

private:
    static LocalPlatformServerOptions serverOptions(bool https) {
        LocalPlatformServerOptions options;
        options.https = https;
        return options;
    }

    // Milliseconds from starting the child to the started event; the child must end with 0.
    template <typename Run>
    double timeToStart(Run run, size_t* journalAtStart = nullptr) {
        started_->reset();
        const auto begin = Clock::now();
        auto child = std::async(std::launch::async, run);
        const bool signalled = started_->wait(kEventTimeoutMs) == platform::WaitResult::Signaled;
        const auto end = Clock::now();
        if (journalAtStart) *journalAtStart = server_.journal().size();
        const ChildResult result = child.get();
        if (result.exitCode != 0)
            throw std::runtime_error("child ended with " + std::to_string(result.exitCode) + ": " +
                                     result.err);
        if (!signalled)
            throw std::runtime_error("the started event never came; the last launcher log:\n" +
                                     sandbox_.newestLog());
        return std::chrono::duration<double, std::milli>(end - begin).count();
    }

    LocalPlatformServer server_;
    LauncherSandbox sandbox_;
    std::string studio_;
    std::string eventName_;
    std::unique_ptr<platform::Event> started_;
    ChildIsolation isolation_;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double minimum(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;
    bool showLog = false;
    bool https = false;
    for (int i = 2; i < argc; ++i) {
        showLog = showLog || std::string(argv[i]) == "--show-log";
        https = https || std::string(argv[i]) == "--https";
    }
    try {
        LaunchBench bench(https);
        // What every self-update downloads.
        std::printf(
            "published launcher: %.2f MiB\n",
            static_cast<double>(std::filesystem::file_size(LocalPlatformServer::launcherBinary())) /
                (1024.0 * 1024.0));
        // One of each first, uncounted: the first launcher run writes state later runs reuse.
        const size_t warmStart = bench.journal().size();
        bench.throughLauncher();
        bench.direct();
        std::map<std::string, int> paths;
        const auto entries = bench.journal();
        for (size_t i = warmStart; i < entries.size(); ++i)
            ++paths[entries[i].method + " " + entries[i].hostName() + entries[i].path];
        std::printf("requests of the warm-up launcher run:\n");
        for (const auto& [path, count] : paths) std::printf("  %3d  %s\n", count, path.c_str());

        std::vector<double> launcher, direct;
        std::vector<size_t> requests, requestsBeforeStart;
        std::printf("\nround  launcher ms  direct ms  requests (before start)\n");
        for (int round = 1; round <= rounds; ++round) {
            Sample viaLauncher, alone;
            if (round % 2) {
                viaLauncher = bench.throughLauncher();
                alone = bench.direct();
            } else {
                alone = bench.direct();
                viaLauncher = bench.throughLauncher();
            }
            launcher.push_back(viaLauncher.milliseconds);
            direct.push_back(alone.milliseconds);
            requests.push_back(viaLauncher.requests);
            requestsBeforeStart.push_back(viaLauncher.requestsBeforeStart);
            std::printf("%5d  %11.1f  %9.1f  %zu (%zu)\n", round, viaLauncher.milliseconds,
                        alone.milliseconds, viaLauncher.requests, viaLauncher.requestsBeforeStart);
        }
        std::printf("\n          launcher ms  direct ms  overhead ms\n");
        std::printf("min       %11.1f  %9.1f  %11.1f\n", minimum(launcher), minimum(direct),
                    minimum(launcher) - minimum(direct));
        std::printf("median    %11.1f  %9.1f  %11.1f\n", median(launcher), median(direct),
                    median(launcher) - median(direct));
        std::printf(
            "HTTP requests per launcher run: %zu to %zu (%zu to %zu before the Studio was up)\n",
            *std::min_element(requests.begin(), requests.end()),
            *std::max_element(requests.begin(), requests.end()),
            *std::min_element(requestsBeforeStart.begin(), requestsBeforeStart.end()),
            *std::max_element(requestsBeforeStart.begin(), requestsBeforeStart.end()));
        if (showLog) std::printf("\nlast launcher log:\n%s", bench.newestLog().c_str());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_launch: %s\n", e.what());
        return 1;
    }
}
