#include "update_rounds.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "minimum.h"
#include "peer_pipeline.h"
#include "run_child.h"

namespace fs = std::filesystem;

namespace {

// The seconds a child printed after the word.
double printedSeconds(const ChildRun& run, const std::string& word) {
    const size_t at = run.output.find(word + " ");
    if (run.status != 0 || at == std::string::npos) {
        std::fprintf(stderr, "%s failed: %s\n", word.c_str(), run.output.c_str());
        std::exit(1);
    }
    return std::atof(run.output.c_str() + at + word.size() + 1);
}

std::string versionFolderOf(const std::string& folder, const BenchVersion& version) {
    return folder + "/data/vexmoor-qasite1/Versions/" + version.guid + "/";
}

// Body bytes the server sent for the version's packages since its journal was cleared.
uint64_t packageBytesSent(const zorbit::server::PlatformServer& server,
                          const BenchVersion& version) {
    uint64_t sent = 0;
    for (const auto& entry : server.journal())
        if (entry.path.rfind("/" + version.guid + "-", 0) == 0 &&
            fs::path(entry.path).extension() == ".zip")
            sent += entry.bodyBytesSent;
    return sent;
}

void runUpdate(const UpdateBench& bench, const std::string& folder, UpdateFigures& figures) {
    // The install of A in the same child is not timed, nor counted.
    const ChildRun run = runChild(
        {bench.self, "--update", folder, bench.installHost, bench.from.guid, bench.to.guid});
    const double seconds = printedSeconds(run, "update");
    checkVersionFolder(versionFolderOf(folder, bench.to), bench.to, "update");
    const uint64_t sent = packageBytesSent(bench.server, bench.to);
    figures.update.push_back(seconds);
    figures.sentShare.push_back(static_cast<double>(sent) /
                                static_cast<double>(bench.to.packedBytes));
    std::printf("  update   %6.3f s  (%.2f %% of B's package bytes sent)\n", seconds,
                100 * figures.sentShare.back());
}

void runFullInstall(const UpdateBench& bench, const std::string& folder, UpdateFigures& figures) {
    const ChildRun run =
        runChild({bench.self, "--deploy", folder, bench.installHost, bench.to.guid});
    const double seconds = printedSeconds(run, "deploy");
    checkVersionFolder(versionFolderOf(folder, bench.to), bench.to, "full install");
    figures.fullInstall.push_back(seconds);
    std::printf("  full B   %6.3f s\n", seconds);
}

void runPeer(const UpdateBench& bench, const std::string& folder, UpdateFigures& figures) {
    const PeerTiming run =
        runPeerPipeline("http://" + bench.contentHost + "/" + bench.to.guid + "-", folder);
    checkVersionFolder(folder + "/version/", bench.to, "peer");
    figures.peer.push_back(run.wallSeconds);
    std::printf("  peer B   %6.3f s\n", run.wallSeconds);
}

}  // namespace

UpdateFigures runUpdateRounds(const UpdateBench& bench, int rounds) {
    UpdateFigures figures;
    using Run = void (*)(const UpdateBench&, const std::string&, UpdateFigures&);
    const Run order[] = {runUpdate, runFullInstall, runPeer};
    const char* const names[] = {"update", "full", "peer"};
    for (int round = 0; round < rounds; ++round) {
        std::printf("update round %d\n", round + 1);
        for (int k = 0; k < 3; ++k) {
            // Rotate who goes first, so none always meets a warmer system.
            const int which = (round + k) % 3;
            const std::string folder =
                bench.runs + "/u" + std::to_string(round) + "-" + names[which];
            fs::create_directories(folder);
            ::sync();
            bench.server.clearJournal();
            order[which](bench, folder, figures);
        }
    }
    return figures;
}

void printUpdateFigures(const UpdateFigures& figures, const BenchVersion& to) {
    const double update = minimum(figures.update);
    const double full = minimum(figures.fullInstall);
    std::printf(
        "update A->B   min %6.3f s  (%.2fx the full install's time; target at most 0.30x)\n",
        update, update / full);
    std::printf("full B        min %6.3f s\n", full);
    std::printf("peer full B   min %6.3f s\n", minimum(figures.peer));
    std::printf("update sent at most %.2f %% of B's %.1f MiB of packages (target at most 10 %%)\n",
                100 * *std::max_element(figures.sentShare.begin(), figures.sentShare.end()),
                to.packedBytes / 1048576.0);
}
