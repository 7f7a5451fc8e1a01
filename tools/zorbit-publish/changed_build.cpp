#include "changed_build.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "component_table.h"
#include "install/c_unzipper.h"
#include "publisher.h"

namespace zorbit::publish {
namespace {

namespace fs = std::filesystem;

const char* const kStudioProgram = "ZorbitStudioBeta.exe";

void unpackVersion(const std::string& folder, const ChangedBuildOptions& options) {
    for (size_t i = 0; i < componentTable().size(); ++i) {
        const fs::path package =
            fs::path(options.root) / deploymentFileName(options.guid, componentTable()[i].package);
        if (!fs::is_regular_file(package))
            throw std::runtime_error("no package " + package.string());
        const std::string sub = buildFolderOf(i);
        CUnzipper(package.string()).ExtractAll((fs::path(folder) / sub).string() + "/");
    }
}

std::vector<std::string> changeableFiles(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename() != kStudioProgram)
            files.push_back(fs::relative(entry.path(), folder).generic_string());
    std::sort(files.begin(), files.end());
    return files;
}

// The first count files of a shuffle that depends only on the seed.
std::vector<std::string> pick(std::vector<std::string> files, size_t count, uint64_t seed) {
    uint64_t state = seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull;
    for (size_t i = 0; i < count && i < files.size(); ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::swap(files[i], files[i + state % (files.size() - i)]);
    }
    files.resize(std::min(count, files.size()));
    std::sort(files.begin(), files.end());
    return files;
}

// Every byte flipped the same way: new bytes that deflate as well as the old.
void rewrite(const fs::path& path, uint64_t seed) {
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const char flip = static_cast<char>(0x5A ^ (seed % 0x5A));
    for (char& c : bytes) c = static_cast<char>(c ^ flip);
    const auto time = fs::last_write_time(path);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
    out.close();
    fs::last_write_time(path, time);
}

}  // namespace

std::vector<std::string> makeChangedBuild(const std::string& folder,
                                          const ChangedBuildOptions& options) {
    fs::create_directories(folder);
    unpackVersion(folder, options);
    const std::vector<std::string> files = changeableFiles(folder);
    const double share = std::clamp(options.percent, 0.0, 100.0) / 100;
    size_t count = static_cast<size_t>(std::llround(share * static_cast<double>(files.size())));
    if (share > 0 && count == 0) count = 1;
    const std::vector<std::string> changed = pick(files, count, options.seed);
    for (const std::string& relative : changed) rewrite(fs::path(folder) / relative, options.seed);
    return changed;
}

}  // namespace zorbit::publish
