// Installing a published version from the local platform server: the
// launcher's deployment (FileDeployer workers downloading and unpacking all
// sixteen packages at once) against the peer pipeline (curl --parallel of the
// sixteen packages, then unzip of each, two at a time), alternating in rounds,
// each run into an empty folder after sync. Prints every time, the minimums
// and the launcher's peak resident memory (measured in a child process).
//
// Then the update figure: version B, published like the first one (A) with
// --change per cent of its files changed, installed by an update from A
// (which fetches only what changed), beside a full install of B by the
// launcher and by the peer, alternating in rounds. Prints the minimums, the
// update's time against the full install's, and the share of B's package
// bytes the update had sent. The launcher's figures include keeping the
// record of the installed files that the next update starts from.
//
// The whole figures time the launcher process itself ("-install -q" by a
// standard user, see whole_run.h) beside the peer: once with every https
// attempt refused by the plain-http server, once with https answered.
//
//   bench_install [--work DIR] [--rounds N] [--mb SIZE] [--files N] [--plain-http]
//                 [--keep-runs] [--change PERCENT] [--parts deploy,whole,https,update]
//
// By default the hosts are the platform's names under zorbit.localhost, which
// the launcher tries over https first (the local server answers plain http, so
// every request pays a failed TLS attempt). --plain-http serves the version
// under "localhost" and a numeric content host, which the launcher asks over
// http at once, as the peer does.
//
// Every run's files (the whole runs' private homes too) are kept below the
// work folder until the end. Mind the file system it is on: ext4 without a
// journal makes each new file skip, one by one, the inodes freed in the last
// minutes, so a round that follows a removal of thousands of files (an
// earlier run's, say) is several times slower for both, and the figures turn
// to noise. A tmpfs (--work /dev/shm/bench --rounds 3: about 15 GB at the
// end) or a journaled file system gives figures that hold.

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_version.h"
#include "minimum.h"
#include "our_deployment.h"
#include "peer_pipeline.h"
#include "platform_server.h"
#include "run_child.h"
#include "update_rounds.h"
#include "whole_run.h"

namespace fs = std::filesystem;

namespace {

struct Options {
    std::string work = "bench-install";
    int rounds = 5;
    double megabytes = 300;
    size_t files = 8000;
    bool plainHttp = false;
    bool keepRuns = false;  // leave every run's files (and logs) for a look
    double changePercent = 5;
    std::string parts = "deploy,whole,https,update";

    bool wants(const std::string& part) const {
        return ("," + parts + ",").find("," + part + ",") != std::string::npos;
    }
};

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--plain-http" || name == "--keep-runs") {
            (name == "--plain-http" ? options.plainHttp : options.keepRuns) = true;
            continue;
        }
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (name == "--work")
            options.work = value;
        else if (name == "--rounds")
            options.rounds = std::max(1, std::atoi(value.c_str()));
        else if (name == "--mb")
            options.megabytes = std::atof(value.c_str());
        else if (name == "--files")
            options.files = std::strtoul(value.c_str(), nullptr, 10);
        else if (name == "--change")
            options.changePercent = std::atof(value.c_str());
        else if (name == "--parts")
            options.parts = value;
        else
            return false;
    }
    return true;
}

struct Contender {
    const char* name;
    std::vector<double> wall;
    std::vector<double> cpu;
    long peakRssKib = 0;
};

// The block device's name ("vda") of the file system holding path; empty when unknown.
std::string deviceName(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {};
    const std::string link = "/sys/dev/block/" + std::to_string(major(info.st_dev)) + ":" +
                             std::to_string(minor(info.st_dev));
    std::error_code error;
    const fs::path target = fs::read_symlink(link, error);
    return error ? std::string() : target.filename().string();
}

// See the note at the top: such a file system turns the figures to noise.
void warnOfExt4WithoutJournal(const std::string& work) {
    const std::string device = deviceName(work);
    if (device.empty() || !fs::exists("/proc/fs/ext4/" + device)) return;
    std::error_code error;
    for (fs::directory_iterator it("/proc/fs/jbd2", error), end; !error && it != end;
         it.increment(error))
        if (it->path().filename().string().rfind(device + "-", 0) == 0) return;
    std::printf(
        "NOTE: %s is on ext4 without a journal (%s): a round after a removal of many "
        "files is slower for both; a tmpfs gives figures that hold\n",
        work.c_str(), device.c_str());
}

bool deployRounds(const std::string& self, const std::string& installHost,
                  const std::string& contentHost, const std::string& runs,
                  const BenchVersion& version, int rounds) {
    Contender ours{"launcher", {}, {}, 0};
    Contender peer{"peer", {}, {}, 0};
    for (int round = 0; round < rounds; ++round) {
        for (int k = 0; k < 2; ++k) {
            // Alternate who goes first, so neither always meets a warmer system.
            const bool oursNow = (round + k) % 2 == 0;
            const std::string folder =
                runs + "/" + std::to_string(round) + "-" + (oursNow ? "launcher" : "peer");
            fs::create_directories(folder);
            ::sync();
            if (oursNow) {
                const ChildRun run =
                    runChild({self, "--deploy", folder, installHost, version.guid});
                if (run.status != 0) {
                    std::fprintf(stderr, "deployment failed: %s\n", run.output.c_str());
                    return false;
                }
                checkVersionFolder(folder + "/data/vexmoor-qasite1/Versions/" + version.guid + "/",
                                   version, "launcher");
                ours.wall.push_back(run.wallSeconds);
                ours.cpu.push_back(run.cpuSeconds);
                ours.peakRssKib = std::max(ours.peakRssKib, run.peakRssKib);
                std::printf("round %d  launcher %6.3f s  (cpu %6.3f s, peak RSS %.1f MiB)\n",
                            round + 1, run.wallSeconds, run.cpuSeconds, run.peakRssKib / 1024.0);
            } else {
                const PeerTiming run =
                    runPeerPipeline("http://" + contentHost + "/" + version.guid + "-", folder);
                checkVersionFolder(folder + "/version/", version, "peer");
                peer.wall.push_back(run.wallSeconds);
                peer.cpu.push_back(run.cpuSeconds);
                std::printf("round %d  peer     %6.3f s  (cpu %6.3f s, download %5.3f s)\n",
                            round + 1, run.wallSeconds, run.cpuSeconds, run.downloadSeconds);
            }
        }
    }
    std::printf("launcher min %6.3f s  min cpu %6.3f s  peak RSS %.1f MiB\n", minimum(ours.wall),
                minimum(ours.cpu), ours.peakRssKib / 1024.0);
    std::printf("peer     min %6.3f s  min cpu %6.3f s\n", minimum(peer.wall), minimum(peer.cpu));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--deploy")
        return deployInChild(argv[2], argv[3], argv[4]);
    if (argc == 6 && std::string(argv[1]) == "--update")
        return updateInChild(argv[2], argv[3], argv[4], argv[5]);
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: bench_install [--work DIR] [--rounds N] [--mb SIZE] [--files N] "
                     "[--plain-http] [--keep-runs] [--change PERCENT] [--parts "
                     "deploy,whole,https,update]\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string work = fs::absolute(options.work).string();
    const std::string runs = work + "/runs";
    fs::remove_all(runs);

    fs::create_directories(work);
    warnOfExt4WithoutJournal(work);
    std::printf("preparing the version in %s ...\n", work.c_str());
    const BenchVersion version = prepareBenchVersion(work, options.megabytes, options.files);
    std::printf("16 packages, %llu files, %.1f MiB unpacked, %.1f MiB packed\n",
                static_cast<unsigned long long>(version.files), version.unpackedBytes / 1048576.0,
                version.packedBytes / 1048576.0);
    const BenchVersion changed = prepareChangedVersion(work, version, options.changePercent);
    std::printf("version B: %.1f %% of the files changed, %.1f MiB packed\n", options.changePercent,
                changed.packedBytes / 1048576.0);

    zorbit::server::ServerOptions serverOptions;
    serverOptions.root = version.root;
    if (options.plainHttp) serverOptions.siteHost = "localhost";
    zorbit::server::PlatformServer server(serverOptions);
    server.start();
    const std::string port = std::to_string(server.port());
    const std::string installHost = serverOptions.siteHost + ":" + port;
    const std::string contentHost =
        (options.plainHttp ? std::string("127.0.0.1")
                           : std::string("cdn.qasite1.zorbit.localhost")) +
        ":" + port;
    writeCdnText(version.root, contentHost);
    std::printf("serving on port %s: install host %s, content host %s\n", port.c_str(),
                installHost.c_str(), contentHost.c_str());
    const std::string self = fs::canonical("/proc/self/exe").string();

    if (options.wants("deploy") &&
        !deployRounds(self, installHost, contentHost, runs, version, options.rounds))
        return 1;
    if (options.wants("update")) {
        UpdateBench bench{server, self, installHost, contentHost, runs, version, changed};
        const UpdateFigures figures = runUpdateRounds(bench, options.rounds);
        printUpdateFigures(figures, changed);
    }
    server.stop();
    // Each serves the root on a port of its own; both keep their rounds' files to the end.
    std::vector<std::unique_ptr<WholeRunRounds>> wholeRuns;
    for (const bool https : {false, true}) {
        if (!options.wants(https ? "https" : "whole")) continue;
        wholeRuns.push_back(std::make_unique<WholeRunRounds>(version, runs, https));
        printWholeRunFigures(wholeRuns.back()->run(options.rounds),
                             https ? "whole run, https" : "whole run");
    }
    if (options.keepRuns) {
        std::printf("the runs are in %s\n", runs.c_str());
        std::_Exit(0);  // the whole runs' homes would go with their objects
    }
    wholeRuns.clear();
    fs::remove_all(runs);
    return 0;
}
