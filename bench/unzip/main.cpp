// Unpacks a generated version (16 packages, ~300 MiB) two packages at a time,
// with CUnzipper and with the unzip tool, alternating in rounds, each round
// from an empty output folder after sync. Prints every time and the minimums.
//
//   bench_unzip [work folder] [rounds]

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "install/c_unzipper.h"
#include "install/component_table.h"
#include "package_set.h"

namespace fs = std::filesystem;

namespace {

using Extractor = std::function<void(const std::string& archive, const std::string& folder)>;

void extractWithUnzipper(const std::string& archive, const std::string& folder) {
    CUnzipper unzipper(archive);
    unzipper.setDeleteBeforeWrite(true);
    unzipper.ExtractAll(folder);
}

void extractWithTool(const std::string& archive, const std::string& folder) {
    fs::create_directories(folder);
    const std::string command = "unzip -qq -o '" + archive + "' -d '" + folder + "'";
    if (std::system(command.c_str()) != 0) throw std::runtime_error("unzip failed: " + archive);
}

struct Timing {
    double wall = 0;
    double cpu = 0;  // user and system, this process and its children
};

double cpuSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

// Two workers take the packages in table order, as two cores would. The output
// folder is new: every run starts from an empty folder, and no run allocates
// inodes just freed by the run before it (ext4 steps around those for a while,
// which a real install never meets).
Timing extractAll(const std::string& packages, const std::string& output,
                  const Extractor& extract) {
    fs::create_directories(output);
    ::sync();
    const auto& table = studioComponentTable();
    std::atomic<size_t> next{0};
    const double cpuStart = cpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    auto worker = [&] {
        for (size_t i = next++; i < table.size(); i = next++)
            extract(packages + "/" + table[i].package, output + "/" + table[i].folder);
    };
    std::thread first(worker), second(worker);
    first.join();
    second.join();
    Timing timing;
    timing.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    timing.cpu = cpuSeconds() - cpuStart;
    return timing;
}

uint64_t bytesBelow(const std::string& folder) {
    uint64_t total = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) total += entry.file_size();
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string work = argc > 1 ? argv[1] : "bench-unzip";
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string packages = work + "/packages";
    const std::string outputs = work + "/outputs";
    if (fs::exists(outputs)) {
        fs::remove_all(outputs);
        ::sync();
        std::printf(
            "removed the outputs of an earlier run; waiting 40 s for their inodes to age\n");
        std::this_thread::sleep_for(std::chrono::seconds(40));
    }

    std::printf("generating packages in %s ...\n", packages.c_str());
    const PackageSetSize size = makePackageSet(packages);
    const double mib = static_cast<double>(size.unpackedBytes) / (1024 * 1024);
    std::printf("16 packages, %llu files, %.1f MiB unpacked, %.1f MiB packed\n",
                static_cast<unsigned long long>(size.files), mib,
                static_cast<double>(size.packedBytes) / (1024 * 1024));

    struct Contender {
        const char* name;
        Extractor extract;
        std::vector<double> times;
        std::vector<double> cpu;
    };
    std::vector<Contender> contenders = {{"CUnzipper", extractWithUnzipper, {}, {}},
                                         {"unzip tool", extractWithTool, {}, {}}};
    for (int round = 0; round < rounds; ++round) {
        // Alternate who goes first, so neither always meets a warmer system.
        for (int k = 0; k < 2; ++k) {
            Contender& contender = contenders[(round + k) % 2];
            const std::string output =
                outputs + "/" + std::to_string(round) + "-" + std::to_string(k);
            const Timing timing = extractAll(packages, output, contender.extract);
            contender.times.push_back(timing.wall);
            contender.cpu.push_back(timing.cpu);
            std::printf("round %d  %-10s %6.3f s  (cpu %6.3f s)\n", round + 1, contender.name,
                        timing.wall, timing.cpu);
        }
    }
    const uint64_t written = bytesBelow(outputs + "/0-0");
    std::printf("first output: %.1f MiB\n", static_cast<double>(written) / (1024 * 1024));
    for (const Contender& contender : contenders) {
        const double best = *std::min_element(contender.times.begin(), contender.times.end());
        const double cpu = *std::min_element(contender.cpu.begin(), contender.cpu.end());
        std::printf("%-10s min %6.3f s  (%.0f MiB/s unpacked), min cpu %6.3f s\n", contender.name,
                    best, mib / best, cpu);
    }
    fs::remove_all(outputs);
    return 0;
}
