#include "install/self_update.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "base/errors.h"
#include "base/format.h"
#include "base/installer_site.h"
#include "base/logger.h"
#include "base/resource_strings.h"
#include "install/copy_file.h"
#include "net/cdn_selection.h"
#include "net/http_client.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/known_folders.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/resource_block.h"
#include "platform/utf8_path.h"
#include "system/registered_values.h"
#include "system/registry_keys.h"
#include "system/version_folders.h"
#include "ui/main_dialog.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kVersionRetryDelayMs = 3000;

const HttpProgress kNoProgress = [](int, int) {};

bool fileExists(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(platform::fsPath(path), error);
}

std::string fetchWithOneRetry(simple_logger& logger, const std::function<std::string()>& fetch) {
    try {
        return fetch();
    } catch (const std::exception& e) {
        platform::sleepMilliseconds(kVersionRetryDelayMs);
        logger.log("fetchVersionGuid - failed with: %s retrying after 3 sec sleep", e.what());
        return fetch();
    }
}

// The published launcher's version text; none when it cannot be read (a
// cancellation or an installer error still ends the run).
std::optional<std::string> publishedLauncherVersion(IInstallerSite& site,
                                                    const std::string& versionGuid,
                                                    const std::string& versionFileName) {
    try {
        std::string etag;
        std::ostringstream body;
        httpGet(site, etag, body, true, site.installHost(),
                format("/%s-%s", versionGuid.c_str(), versionFileName.c_str()), kNoProgress);
        return body.str().substr(0, body.str().find('\0'));
    } catch (const cancel_exception&) {
        throw;
    } catch (const installer_error_exception&) {
        throw;
    } catch (const previous_error&) {
        return std::nullopt;
    } catch (const std::exception& e) {
        site.logger().log("Error: %s", e.what());
        return std::nullopt;
    }
}

// The launcher the scope installed from this install host, which becomes the
// one to start when it is current; selfUpdateVersion becomes its version text
// (empty when it cannot be read).
std::string installedLauncher(IInstallerSite& site, const LauncherVersionCheck& check,
                              std::string& selfUpdateVersion) {
    std::string candidate;
    try {
        bool machineScope = false;
        if (registeredInstallHost(site.logger(), check.perUser, check.productRegistryKey,
                                  machineScope) == site.installHost())
            candidate = registeredLauncherPath(check.perUser, check.productRegistryKey);
        if (!candidate.empty() && fileExists(candidate)) {
            selfUpdateVersion = fileVersionText(candidate);
            site.logger().log("installed bootstrapper file version: %s", selfUpdateVersion.c_str());
        }
    } catch (const std::exception&) {
        selfUpdateVersion.clear();
    }
    return candidate;
}

std::string downloadLauncher(IInstallerSite& site, const std::string& versionGuid,
                             const std::string& launcherExeName) {
    const std::string path = launcherDownloadPath(launcherExeName);
    if (!platform::createOwnerOnlyFile(path))
        throw std::runtime_error("Failed to write " + path + ": " + lastErrorText());
    std::ofstream out(platform::fsPath(path), std::ios::binary | std::ios::trunc);
    std::string etag;
    httpGetFromCdn(site, etag, out, site.installHost(),
                   format("/%s-%s", versionGuid.c_str(), launcherExeName.c_str()), kNoProgress);
    out.close();
    if (!out) throw std::runtime_error("Failed to write " + path);
    return path;
}

// A downloaded launcher that is not the published version would find itself
// out of date and download again: it is not started, this launcher goes on.
bool isPublishedLauncher(simple_logger& logger, const std::string& downloaded,
                         const std::string& published) {
    const std::string version = fileVersionText(downloaded);
    if (version == published) return true;
    logger.log(
        "checkBootstrapperVersion - downloaded launcher has version '%s', not the published '%s': "
        "not started",
        version.c_str(), published.c_str());
    std::error_code error;
    fs::remove(platform::fsPath(downloaded), error);
    return false;
}

// Every argument reaches the new launcher unchanged, quoted as the command-line
// rules need, also one that holds a double quote.
[[noreturn]] void handOver(const LauncherVersionCheck& check, const std::string& launcher) {
    const auto& argv = check.arguments;
    const std::vector<std::string> handedOn(argv.begin() + (argv.empty() ? 0 : 1), argv.end());
    check.startLauncher(launcher, platform::joinCommandLine(handedOn),
                        {std::string(kHandOverVariable) + "=1"});
    throw installer_error_exception(kBoostrapVersion);
}

}  // namespace

// Whether two readable files differ: by size first, then block by block, so
// that copies that match cost one read each and a difference ends the reading.
bool filesDiffer(const std::string& a, const std::string& b) {
    std::ifstream first(platform::fsPath(a), std::ios::binary);
    std::ifstream second(platform::fsPath(b), std::ios::binary);
    if (!first || !second) return false;
    std::error_code sizeA, sizeB;
    const auto bytesA = fs::file_size(platform::fsPath(a), sizeA);
    const auto bytesB = fs::file_size(platform::fsPath(b), sizeB);
    if (!sizeA && !sizeB && bytesA != bytesB) return true;
    std::vector<char> blockA(64 * 1024), blockB(64 * 1024);
    for (;;) {
        first.read(blockA.data(), static_cast<std::streamsize>(blockA.size()));
        second.read(blockB.data(), static_cast<std::streamsize>(blockB.size()));
        const std::streamsize got = first.gcount();
        if (got != second.gcount() ||
            !std::equal(blockA.begin(), blockA.begin() + got, blockB.begin()))
            return true;
        if (got == 0 || !first || !second)
            return static_cast<bool>(first) != static_cast<bool>(second);
    }
}

std::string launcherDownloadPath(const std::string& name) {
    const std::string folder = platform::tempFolder() + "Vexmoor" + platform::kPathSeparator;
    // We start what lands here: no one else may put or change a file in it.
    if (!platform::makeOwnerOnlyFolder(folder))
        throw std::runtime_error("Cannot use the folder " + folder + ": " + lastErrorText());
    std::string path = folder + name;
    std::error_code error;
    if (fs::exists(platform::fsPath(path), error) && !fs::remove(platform::fsPath(path), error))
        path = folder + format("%u-", platform::tickCount()) + name;
    return path;
}

std::string fileVersionText(const std::string& path) {
    const auto texts = platform::readResourceBlock(path);
    if (!texts) return {};
    auto it = texts->find(resource_id::kFileVersion);
    return it == texts->end() ? std::string() : it->second;
}

bool checkLauncherVersion(IInstallerSite& site, const LauncherVersionCheck& check,
                          std::string& versionGuid, std::string& selfUpdateVersion) {
    simple_logger& logger = site.logger();
    logger.log("checkBootstrapperVersion()");
    selfUpdateVersion = resourceString(resource_id::kFileVersion);
    logger.log("module file version: %s", selfUpdateVersion.c_str());
    if (check.handedOver) logger.log("checkBootstrapperVersion - started by a self-update");
    check.setUiMessage("Connecting to VEXMOOR...");
    versionGuid = fetchWithOneRetry(logger, check.fetchVersionGuid);

    const std::optional<std::string> published =
        publishedLauncherVersion(site, versionGuid, check.launcherVersionFileName);
    if (!published) return false;
    if (selfUpdateVersion == *published) return true;
    if (check.failIfNotUpToDate) throw non_zero_exit_exception();
    if (check.handedOver) {
        logger.log(
            "checkBootstrapperVersion - no further update after a self-update, published: %s",
            published->c_str());
        return true;
    }

    check.beforeSelfUpdate();
    std::string candidate = installedLauncher(site, check, selfUpdateVersion);
    if (selfUpdateVersion != *published) {
        check.dialog->show();
        if (check.debugMode && check.interactive &&
            check.dialog->showMessageBox("Download latest bootstrapper?", "DEBUG",
                                         platform::kMbYesNo) == platform::kIdNo)
            return true;
        check.setUiMessage("Getting the latest Vexmoor...");
        candidate = downloadLauncher(site, versionGuid, check.launcherExeName);
        if (!isPublishedLauncher(logger, candidate, *published)) return true;
        // A download is a program to run, by its owner only.
        fs::permissions(platform::fsPath(candidate), fs::perms::owner_all,
                        fs::perm_options::replace);
        check.setUiMessage("Please Wait...");
    }
    handOver(check, candidate);
}

void refreshInstalledLaunchers(IInstallerSite& site, bool perUser,
                               const std::string& launcherExeName,
                               const std::string& installedVersion) {
    if (installedVersion.empty()) return;
    replaceInstalledCopy(site.logger(), site.programDirectory() + launcherExeName);
    replaceInstalledCopy(site.logger(), versionsRoot(perUser) + launcherExeName);
}

void replaceInstalledCopy(simple_logger& logger, const std::string& installed) {
    const std::string own = platform::executablePath();
    if (own.empty() || !fileExists(installed)) return;
    const fs::path installedPath = platform::fsPath(installed);
    std::error_code error;
    if (fs::equivalent(platform::fsPath(own), installedPath, error)) return;
    if (!filesDiffer(own, installed)) return;
    const std::string fresh = installed + ".new";
    const fs::path freshPath = platform::fsPath(fresh);
    try {
        copyFile(logger, own, fresh);
        fs::permissions(freshPath, fs::status(installedPath).permissions(), error);
        fs::rename(freshPath, installedPath);
        logger.log("Replaced older installed launcher: %s", installed.c_str());
    } catch (const fs::filesystem_error&) {
        logger.log("Could not replace installed launcher (in use?): %s", installed.c_str());
        fs::remove(freshPath, error);
    } catch (const std::exception& e) {
        logger.log("replaceInstalledCopy failed: %s", e.what());
        fs::remove(freshPath, error);
    }
}
