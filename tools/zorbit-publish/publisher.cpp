#include "publisher.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "component_table.h"
#include "launcher_stamp.h"
#include "platform/guid.h"
#include "zip_writer.h"

namespace zorbit::publish {
namespace {

namespace fs = std::filesystem;

using FileLists = std::vector<std::vector<std::string>>;  // build-relative paths per package

FileLists collectFiles(const std::string& buildFolder) {
    if (!fs::is_directory(buildFolder)) throw std::runtime_error("no build folder " + buildFolder);
    FileLists lists(componentTable().size());
    for (const auto& entry : fs::recursive_directory_iterator(buildFolder)) {
        if (!entry.is_regular_file()) continue;
        const std::string relative = fs::relative(entry.path(), buildFolder).generic_string();
        lists[packageOf(relative)].push_back(relative);
    }
    for (size_t i = 0; i < lists.size(); ++i) {
        if (lists[i].empty())
            throw std::runtime_error("nothing for " + componentTable()[i].package + " in " +
                                     buildFolder);
        std::sort(lists[i].begin(), lists[i].end());
    }
    return lists;
}

// Written under a temporary name and renamed, so readers see it whole or not at all.
void writeWhole(const fs::path& path, const std::string& content) {
    const fs::path temporary = path.string() + ".publishing";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        if (!out.flush()) throw std::runtime_error("cannot write " + temporary.string());
    }
    fs::rename(temporary, path);
}

struct PackageJob {
    PublishedPackage published;
    std::vector<ManifestLine> lines;
};

PackageJob zipPackage(const PublishOptions& options, const std::string& guid, size_t package,
                      const std::vector<std::string>& files) {
    PackageJob job;
    job.published.package = componentTable()[package].package;
    job.published.path =
        (fs::path(options.root) / deploymentFileName(guid, job.published.package)).string();
    const std::string temporary = job.published.path + ".publishing";
    ZipWriter zip(temporary, options.compressionLevel);
    for (const std::string& relative : files) {
        const std::string source = (fs::path(options.buildFolder) / relative).string();
        const std::string entry = entryNameOf(relative, package);
        const std::string md5 = zip.addFile(entry, source);
        job.lines.push_back({componentTable()[package].folder + entry, md5});
        job.published.contentBytes += fs::file_size(source);
    }
    zip.close();
    fs::rename(temporary, job.published.path);
    job.published.files = files.size();
    job.published.zipBytes = fs::file_size(job.published.path);
    return job;
}

std::vector<PackageJob> zipPackages(const PublishOptions& options, const std::string& guid,
                                    const FileLists& lists) {
    std::vector<PackageJob> jobs(lists.size());
    std::atomic<size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    auto work = [&] {
        for (size_t i = next++; i < lists.size(); i = next++) {
            try {
                jobs[i] = zipPackage(options, guid, i, lists[i]);
            } catch (...) {
                std::lock_guard lock(failureMutex);
                if (!failure) failure = std::current_exception();
            }
        }
    };
    unsigned workers =
        options.jobs ? options.jobs : std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < std::min<size_t>(workers, lists.size()); ++i)
        threads.emplace_back(work);
    for (std::thread& thread : threads) thread.join();
    if (failure) std::rethrow_exception(failure);
    return jobs;
}

std::string manifestText(const std::vector<ManifestLine>& lines, bool crlf) {
    const char* end = crlf ? "\r\n" : "\n";
    std::string text;
    for (const ManifestLine& line : lines) text += line.path + end + line.md5 + end;
    return text;
}

void publishLauncher(const PublishOptions& options, PublishResult& result) {
    const fs::path root = options.root;
    if (!options.launcherPath.empty()) {
        result.launcherPath =
            (root / deploymentFileName(result.guid, "ZorbitStudioLauncherBeta.exe")).string();
        const std::string temporary = result.launcherPath + ".publishing";
        const auto texts = stampLauncherCopy(
            options.launcherPath, temporary,
            LauncherStamp{options.port, options.siteHost, options.launcherVersion});
        auto version = texts.find("FileVersion");
        if (version == texts.end() || version->second.empty()) {
            fs::remove(temporary);
            throw std::runtime_error(options.launcherPath + " has no version text");
        }
        result.launcherVersion = version->second;
        fs::rename(temporary, result.launcherPath);
    } else {
        result.launcherVersion = options.launcherVersion;
    }
    if (result.launcherVersion.empty()) return;
    result.versionTextPath =
        (root / deploymentFileName(result.guid, "BootstrapperZARadadaVersion.txt")).string();
    writeWhole(result.versionTextPath, result.launcherVersion);
}

}  // namespace

std::string newVersionGuid() {
    const platform::Guid guid = platform::newGuid();
    char text[32];
    std::snprintf(text, sizeof text, "version-%08x%04x%04x", guid.data1, guid.data2, guid.data3);
    return text;
}

std::string deploymentFileName(const std::string& guid, const std::string& name) {
    return guid + "-" + name;
}

PublishResult publishDeployment(const PublishOptions& options) {
    if (options.root.empty()) throw std::runtime_error("no root folder");
    fs::create_directories(options.root);
    PublishResult result;
    result.guid = options.guid.empty() ? newVersionGuid() : options.guid;

    const FileLists lists = collectFiles(options.buildFolder);
    for (PackageJob& job : zipPackages(options, result.guid, lists)) {
        result.packages.push_back(std::move(job.published));
        result.manifest.insert(result.manifest.end(), job.lines.begin(), job.lines.end());
    }
    result.manifestPath =
        (fs::path(options.root) / deploymentFileName(result.guid, "zbtManifest.txt")).string();
    writeWhole(result.manifestPath, manifestText(result.manifest, options.manifestCrlf));
    publishLauncher(options, result);
    if (!options.contentHost.empty())
        writeWhole(fs::path(options.root) / "cdn.txt",
                   options.contentHost + ":" + std::to_string(options.port));
    if (options.makeCurrent) writeWhole(fs::path(options.root) / "versionZARadada", result.guid);
    return result;
}

}  // namespace zorbit::publish
