#include "peer_pipeline.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "install/component_table.h"
#include "run_child.h"

namespace fs = std::filesystem;

PeerTiming runPeerPipeline(const std::string& urlPrefix, const std::string& runFolder,
                           const std::vector<std::string>& curlOptions) {
    const auto& table = studioComponentTable();
    const std::string downloads = runFolder + "/downloads/";
    const std::string version = runFolder + "/version/";
    fs::create_directories(downloads);

    PeerTiming timing;
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> curl = {
        "curl",   "--parallel", "--parallel-max", "16",
        "--fail", "--silent",   "--show-error",   "--no-progress-meter"};
    curl.insert(curl.end(), curlOptions.begin(), curlOptions.end());
    for (const ComponentPackage& row : table) {
        curl.push_back("-o");
        curl.push_back(downloads + row.package);
        curl.push_back(urlPrefix + row.package);
    }
    const ChildRun fetched = runChild(curl);
    if (fetched.status != 0) throw std::runtime_error("curl failed");
    timing.downloadSeconds = fetched.wallSeconds;
    timing.cpuSeconds = fetched.cpuSeconds;

    // unzip makes only the last folder of its target.
    for (const std::string& folder : studioComponentFolders())
        fs::create_directories(version + folder);
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex lock;
    auto worker = [&] {
        for (size_t i = next++; i < table.size(); i = next++) {
            const ChildRun unpacked = runChild({"unzip", "-qq", "-o", downloads + table[i].package,
                                                "-d", version + table[i].folder});
            if (unpacked.status != 0) failed = true;
            std::lock_guard guard(lock);
            timing.cpuSeconds += unpacked.cpuSeconds;
        }
    };
    std::thread first(worker), second(worker);
    first.join();
    second.join();
    if (failed) throw std::runtime_error("unzip failed");
    timing.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return timing;
}
