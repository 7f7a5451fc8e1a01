#include "bench_version.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "changed_build.h"
#include "publisher.h"
#include "synthetic_build.h"

namespace fs = std::filesystem;

namespace {
const char* const kGuid = "version-00be4c4000000001";
const char* const kChangedGuid = "version-00be4c4000000002";
}  // namespace

void countFiles(const std::string& folder, uint64_t& files, uint64_t& bytes) {
    files = 0;
    bytes = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        ++files;
        bytes += entry.file_size();
    }
}

BenchVersion prepareBenchVersion(const std::string& work, double megabytes, size_t files) {
    BenchVersion version;
    version.root = work + "/root";
    version.build = work + "/build";
    version.guid = kGuid;
    const std::string marker = work + "/version-complete";
    const std::string kind = std::to_string(megabytes) + "-" + std::to_string(files);
    std::string found;
    if (std::ifstream in(marker); in) in >> found;
    if (found != kind) {
        fs::remove_all(version.root);
        fs::remove_all(version.build);
        zorbit::publish::SyntheticBuildOptions build;
        build.totalBytes = static_cast<uint64_t>(megabytes * 1024 * 1024);
        build.fileCount = files;
        zorbit::publish::generateSyntheticBuild(version.build, build);
        fs::create_directories(version.root);
        zorbit::publish::PublishOptions publish;
        publish.root = version.root;
        publish.guid = version.guid;
        publish.buildFolder = version.build;
        zorbit::publish::publishDeployment(publish);
        std::ofstream(marker) << kind << '\n';
    }
    countFiles(version.build, version.files, version.unpackedBytes);
    for (const auto& entry : fs::directory_iterator(version.root))
        if (entry.path().filename().string().rfind(version.guid, 0) == 0 &&
            entry.path().extension() == ".zip")
            version.packedBytes += entry.file_size();
    return version;
}

BenchVersion prepareChangedVersion(const std::string& work, const BenchVersion& base,
                                   double percent) {
    BenchVersion version = base;
    version.build.clear();
    version.guid = kChangedGuid;
    version.packedBytes = 0;
    const std::string marker = work + "/changed-complete";
    const std::string kind = base.guid + "-" + std::to_string(percent);
    std::string found;
    if (std::ifstream in(marker); in) in >> found;
    // The base is made again whenever its kind changes, and with it this one.
    if (found != kind || !fs::exists(base.root + "/" + kChangedGuid + "-redist.zip") ||
        fs::last_write_time(marker) < fs::last_write_time(work + "/version-complete")) {
        const std::string build = work + "/changed-build";
        fs::remove_all(build);
        zorbit::publish::ChangedBuildOptions changed;
        changed.root = base.root;
        changed.guid = base.guid;
        changed.percent = percent;
        zorbit::publish::makeChangedBuild(build, changed);
        zorbit::publish::PublishOptions publish;
        publish.root = base.root;
        publish.guid = version.guid;
        publish.buildFolder = build;
        publish.makeCurrent = false;
        zorbit::publish::publishDeployment(publish);
        fs::remove_all(build);
        std::ofstream(marker) << kind << '\n';
    }
    for (const auto& entry : fs::directory_iterator(version.root)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(version.guid, 0) == 0 && entry.path().extension() == ".zip")
            version.packedBytes += entry.file_size();
    }
    return version;
}

void checkVersionFolder(const std::string& folder, const BenchVersion& version, const char* who,
                        const std::vector<std::string>& besides) {
    uint64_t files = 0;
    uint64_t bytes = 0;
    countFiles(folder, files, bytes);
    for (const std::string& name : besides) {
        std::error_code error;
        const uint64_t size = fs::file_size(folder + "/" + name, error);
        if (error) continue;
        --files;
        bytes -= size;
    }
    if (files != version.files || bytes != version.unpackedBytes) {
        std::fprintf(stderr, "%s: %llu files, %llu bytes in %s; expected %llu, %llu\n", who,
                     static_cast<unsigned long long>(files), static_cast<unsigned long long>(bytes),
                     folder.c_str(), static_cast<unsigned long long>(version.files),
                     static_cast<unsigned long long>(version.unpackedBytes));
        std::exit(1);
    }
}

void writeCdnText(const std::string& root, const std::string& hostAndPort) {
    std::ofstream(root + "/cdn.txt", std::ios::trunc) << hostAndPort;
}
