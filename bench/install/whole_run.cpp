#include "whole_run.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "launcher_stamp.h"
#include "minimum.h"
#include "peer_pipeline.h"
#include "publisher.h"
#include "support/launcher_sandbox.h"
#include "support/local_platform_server.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// The launcher finds itself current: no self-update is part of the figure.
void publishLauncherVersionText(const BenchVersion& version) {
    const std::string text =
        zorbit::publish::launcherVersionText(LocalPlatformServer::launcherBinary());
    std::ofstream(
        version.root + "/" +
            zorbit::publish::deploymentFileName(version.guid, "BootstrapperZARadadaVersion.txt"),
        std::ios::binary | std::ios::trunc)
        << text;
}

}  // namespace

class WholeRunRounds::Runner {
public:
    Runner(const BenchVersion& version, const std::string& runs, bool https)
        : version_(version),
          runs_(runs),
          https_(https),
          server_(serverOptions(version, runs, https)) {
        writeCdnText(version.root, server_.contentHost());
        publishLauncherVersionText(version);
    }

    void launcherRound(WholeRunFigures& figures) {
        LauncherSandbox& sandbox = *sandboxes_.emplace_back(
            std::make_unique<LauncherSandbox>(&server_, SandboxScope::PerUser));
        if (https_) {
            // The standard user cannot read the server's private folder.
            const std::string certificate = sandbox.path("config/ca-bundle.pem");
            fs::copy_file(server_.certificatePath(), certificate);
            sandbox.environment()["SSL_CERT_FILE"] = certificate;
        }
        ::sync();
        const auto start = Clock::now();
        const ChildResult result = sandbox.run({"-install", "-q"}, 600000);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (result.exitCode != 0) {
            std::fprintf(stderr, "the launcher ended with %d; its log:\n%s\n", result.exitCode,
                         sandbox.newestLog().c_str());
            std::exit(1);
        }
        checkVersionFolder(sandbox.versionFolder(version_.guid), version_, "launcher",
                           {"AppSettings.xml", "ZorbitStudioLauncherBeta.exe"});
        figures.launcher.push_back(seconds);
        figures.peakRssKib = std::max(figures.peakRssKib, result.peakRssKib);
        std::printf("  launcher %6.3f s  (peak RSS %.1f MiB)\n", seconds,
                    result.peakRssKib / 1024.0);
    }

    void peerRound(WholeRunFigures& figures) {
        const std::string folder =
            runs_ + (https_ ? "/whole-https-peer-" : "/whole-peer-") + std::to_string(++peerRuns_);
        fs::create_directories(folder);
        ::sync();
        std::vector<std::string> options;
        if (https_) options = {"--cacert", server_.certificatePath()};
        const std::string scheme = https_ ? "https://" : "http://";
        const PeerTiming run = runPeerPipeline(
            scheme + server_.contentHost() + "/" + version_.guid + "-", folder, options);
        checkVersionFolder(folder + "/version/", version_, "peer");
        figures.peer.push_back(run.wallSeconds);
        std::printf("  peer     %6.3f s  (download %5.3f s)\n", run.wallSeconds,
                    run.downloadSeconds);
    }

private:
    // The sandboxes (private homes) are made below the runs, on the same file
    // system as the peer's folders.
    static LocalPlatformServerOptions serverOptions(const BenchVersion& version,
                                                    const std::string& runs, bool https) {
        const std::string sandboxes = runs + "/sandboxes";
        fs::create_directories(sandboxes);
        ::setenv("TMPDIR", sandboxes.c_str(), 1);
        LocalPlatformServerOptions options;
        options.publish = false;
        options.root = version.root;
        options.https = https;
        return options;
    }

    const BenchVersion& version_;
    std::string runs_;
    bool https_;
    LocalPlatformServer server_;
    std::vector<std::unique_ptr<LauncherSandbox>> sandboxes_;
    int peerRuns_ = 0;
};

WholeRunRounds::WholeRunRounds(const BenchVersion& version, const std::string& runs, bool https)
    : runner_(std::make_unique<Runner>(version, runs, https)), https_(https) {}

WholeRunRounds::~WholeRunRounds() = default;

WholeRunFigures WholeRunRounds::run(int rounds) {
    WholeRunFigures figures;
    for (int round = 0; round < rounds; ++round) {
        std::printf("whole run%s, round %d\n", https_ ? " over https" : "", round + 1);
        // Alternate who goes first, so neither always meets a warmer system.
        if (round % 2 == 0) {
            runner_->launcherRound(figures);
            runner_->peerRound(figures);
        } else {
            runner_->peerRound(figures);
            runner_->launcherRound(figures);
        }
    }
    return figures;
}

void printWholeRunFigures(const WholeRunFigures& figures, const char* title) {
    const double ours = minimum(figures.launcher);
    const double peer = minimum(figures.peer);
    std::printf(
        "%s: launcher min %6.3f s, peer min %6.3f s: %.2fx (target at most 0.70x), "
        "peak RSS %.1f MiB\n",
        title, ours, peer, ours / peer, figures.peakRssKib / 1024.0);
}
