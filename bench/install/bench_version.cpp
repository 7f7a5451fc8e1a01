#include "bench_version.h"

#include <filesystem>
#include <fstream>

#include "publisher.h"
#include "synthetic_build.h"

namespace fs = std::filesystem;

namespace {
const char* const kGuid = "version-00be4c4000000001";
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
        if (entry.path().extension() == ".zip") version.packedBytes += entry.file_size();
    return version;
}

void writeCdnText(const std::string& root, const std::string& hostAndPort) {
    std::ofstream(root + "/cdn.txt", std::ios::trunc) << hostAndPort;
}
