#include "support/local_platform_server.h"

#include <filesystem>

#include "changed_build.h"
#include "launcher_stamp.h"
#include "synthetic_build.h"

namespace {

const char* kSiteHost = "www.qasite1.zorbit.localhost";

}  // namespace

LocalPlatformServer::LocalPlatformServer(LocalPlatformServerOptions options)
    : options_(std::move(options)),
      root_(options_.root.empty() ? temp_.file("root") : options_.root),
      build_(temp_.file("build")) {
    std::filesystem::create_directories(root_);
    zorbit::server::ServerOptions serverOptions;
    serverOptions.root = root_;
    serverOptions.journalPath = options_.journalPath;
    serverOptions.https = options_.https;
    serverOptions.ignoreRange = options_.ignoreRange;
    serverOptions.certificateFile = certificatePath();
    server_ = std::make_unique<zorbit::server::PlatformServer>(serverOptions);
    // Started first: the port goes into the deployment's hosts.
    server_->start();
    if (!options_.publish) return;
    zorbit::publish::SyntheticBuildOptions build;
    build.totalBytes = options_.syntheticBytes;
    build.fileCount = options_.syntheticFiles;
    build.seed = options_.seed;
    if (options_.withStandin)
        build.studioExecutable =
            options_.standinProgram.empty() ? standinBinary() : options_.standinProgram;
    zorbit::publish::generateSyntheticBuild(build_, build);
    zorbit::publish::PublishOptions publishOptions;
    publishOptions.guid = options_.guid;
    publishOptions.launcherVersion = options_.launcherVersion;
    publish(publishOptions);
}

LocalPlatformServer::~LocalPlatformServer() {
    server_->stop();
}

int LocalPlatformServer::port() const {
    return server_->port();
}

std::string LocalPlatformServer::installHost() const {
    return std::string(kSiteHost) + ":" + std::to_string(port());
}
std::string LocalPlatformServer::baseHost() const {
    return installHost();
}
std::string LocalPlatformServer::contentHost() const {
    return "cdn.qasite1.zorbit.localhost:" + std::to_string(port());
}
std::string LocalPlatformServer::dataHost() const {
    return "data.qasite1.zorbit.localhost:" + std::to_string(port());
}
std::string LocalPlatformServer::apiHost(const std::string& service) const {
    return service + ".api.qasite1.zorbit.localhost:" + std::to_string(port());
}
std::string LocalPlatformServer::controlHost() const {
    return "control.zorbit.localhost:" + std::to_string(port());
}
std::string LocalPlatformServer::url(const std::string& host, const std::string& path) {
    return "http://" + host + path;
}

zorbit::publish::PublishResult LocalPlatformServer::publish(
    zorbit::publish::PublishOptions options) {
    if (options.root.empty()) options.root = root_;
    if (options.buildFolder.empty()) options.buildFolder = build_;
    options.port = port();
    if (options.launcherPath.empty() && options_.withLauncher)
        options.launcherPath = launcherProgram();
    deployment_ = zorbit::publish::publishDeployment(options);
    return deployment_;
}

zorbit::publish::PublishResult LocalPlatformServer::publishChanged(
    double percent, std::vector<std::string>* changed) {
    const std::string folder = temp_.file("changed-" + std::to_string(++changedBuilds_));
    zorbit::publish::ChangedBuildOptions build;
    build.root = root_;
    build.guid = deployment_.guid;
    build.percent = percent;
    build.seed = static_cast<uint64_t>(changedBuilds_);
    const std::vector<std::string> files = zorbit::publish::makeChangedBuild(folder, build);
    if (changed) *changed = files;
    zorbit::publish::PublishOptions options;
    options.buildFolder = folder;
    publish(options);
    std::filesystem::remove_all(folder);
    return deployment_;
}

std::vector<zorbit::server::JournalEntry> LocalPlatformServer::requestsFor(
    const std::string& path) const {
    std::vector<zorbit::server::JournalEntry> found;
    for (auto& entry : server_->journal())
        if (entry.path == path) found.push_back(std::move(entry));
    return found;
}

std::string LocalPlatformServer::stampLauncher(const std::string& target,
                                               const std::string& versionText) const {
    zorbit::publish::stampLauncherCopy(
        launcherProgram(), target, zorbit::publish::LauncherStamp{port(), kSiteHost, versionText});
    return target;
}

std::string LocalPlatformServer::launcherProgram() const {
    return options_.launcherProgram.empty() ? launcherBinary() : options_.launcherProgram;
}

std::string LocalPlatformServer::launcherBinary() {
    return ZORBIT_BUILD_DIR "/src/ZorbitStudioLauncherBeta" ZORBIT_EXE_SUFFIX;
}
std::string LocalPlatformServer::standinBinary() {
    return ZORBIT_BUILD_DIR "/tools/zorbit-studio-standin/ZorbitStudioBeta.exe";
}
std::string LocalPlatformServer::serverBinary() {
    return ZORBIT_BUILD_DIR "/tools/zorbit-platform-server/zorbit-platform-server";
}
std::string LocalPlatformServer::publisherBinary() {
    return ZORBIT_BUILD_DIR "/tools/zorbit-publish/zorbit-publish";
}
