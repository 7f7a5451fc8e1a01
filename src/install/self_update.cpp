// Keeping the launcher current: compare with the published launcher, hand over
// to a newer one, and refresh the installed copies.
#include "install/self_update.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "install/copy_file.h"
#include "system/version_folders.h"
#include "launcher/bootstrapper.h"
#include "base/errors.h"
#include "base/resource_strings.h"
#include "net/cdn_selection.h"
#include "net/http_client.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/known_folders.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "platform/resource_block.h"
#include "system/registered_values.h"
#include "system/registry_keys.h"
#include "base/format.h"
#include "ui/main_dialog.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kVersionRetryDelayMs = 3000;

const HttpProgress kNoProgress = [](int, int) {};

std::string readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

}  // namespace

bool filesDiffer(const std::string& a, const std::string& b) {
    std::ifstream first(a, std::ios::binary);
    std::ifstream second(b, std::ios::binary);
    if (!first || !second) return false;
    return readWhole(a) != readWhole(b);
}

std::string launcherDownloadPath(const std::string& name) {
    const std::string folder = platform::tempFolder() + "Vexmoor/";
    // We start what lands here: no one else may put or change a file in it.
    if (!platform::makeOwnerOnlyFolder(folder))
        throw std::runtime_error("Cannot use the folder " + folder + ": " + lastErrorText());
    std::string path = folder + name;
    std::error_code error;
    if (fs::exists(path, error) && !fs::remove(path, error))
        path = folder + format("%u-", platform::tickCount()) + name;
    return path;
}

std::string fileVersionText(const std::string& path) {
    const auto texts = platform::readResourceBlock(path);
    if (!texts) return {};
    auto it = texts->find(resource_id::kFileVersion);
    return it == texts->end() ? std::string() : it->second;
}

std::string Bootstrapper::installedLauncherPath() { return programDirectory() + launcherExeName(); }

bool Bootstrapper::checkBootstrapperVersion() {
    logger_->log("checkBootstrapperVersion()");
    selfUpdateVersion = resourceString(resource_id::kFileVersion);
    logger_->log("module file version: %s", selfUpdateVersion.c_str());
    if (handedOver) logger_->log("checkBootstrapperVersion - started by a self-update");
    setUiMessage("Connecting to VEXMOOR...");
    try {
        versionGuid_ = fetchVersionGuid();
    } catch (const std::exception& e) {
        platform::sleepMilliseconds(kVersionRetryDelayMs);
        logger_->log("fetchVersionGuid - failed with: %s retrying after 3 sec sleep", e.what());
        versionGuid_ = fetchVersionGuid();
    }

    std::string published;
    try {
        std::string etag;
        std::ostringstream body;
        httpGet(*this, etag, body, true, installHost(),
                format("/%s-%s", versionGuid_.c_str(), launcherVersionFileName().c_str()), kNoProgress);
        published = body.str().substr(0, body.str().find('\0'));
    } catch (const cancel_exception&) {
        throw;
    } catch (const installer_error_exception&) {
        throw;
    } catch (const previous_error&) {
        return false;
    } catch (const std::exception& e) {
        logger_->log("Error: %s", e.what());
        return false;
    }
    if (selfUpdateVersion == published) return true;
    if (failIfNotUpToDate) throw non_zero_exit_exception();
    if (handedOver) {
        logger_->log(
            "checkBootstrapperVersion - no further update after a self-update, published: %s",
            published.c_str());
        return true;
    }

    std::string candidate;
    beforeSelfUpdate();
    try {
        bool machineScope = false;
        if (registeredInstallHost(*logger_, perUser, productRegistryKey(), machineScope) == installHost())
            candidate = registeredLauncherPath(perUser, productRegistryKey());
        if (!candidate.empty() && fileExists(candidate)) {
            selfUpdateVersion = fileVersionText(candidate);
            logger_->log("installed bootstrapper file version: %s", selfUpdateVersion.c_str());
        }
    } catch (const std::exception&) {
        selfUpdateVersion.clear();
    }
    if (selfUpdateVersion != published) {
        dialog_->show();
        if (debugMode && interactive &&
            dialog_->showMessageBox("Download latest bootstrapper?", "DEBUG", platform::kMbYesNo) ==
                platform::kIdNo)
            return true;
        setUiMessage("Getting the latest Vexmoor...");
        candidate = launcherDownloadPath(launcherExeName());
        {
            if (!platform::createOwnerOnlyFile(candidate))
                throw std::runtime_error("Failed to write " + candidate + ": " + lastErrorText());
            std::ofstream out(candidate, std::ios::binary | std::ios::trunc);
            std::string etag;
            httpGetFromCdn(*this, etag, out, installHost(),
                           format("/%s-%s", versionGuid_.c_str(), launcherExeName().c_str()), kNoProgress);
            out.close();
            if (!out) throw std::runtime_error("Failed to write " + candidate);
        }
        if (!isPublishedLauncher(candidate, published)) return true;
        // A download is a program to run, by its owner only.
        fs::permissions(candidate, fs::perms::owner_all, fs::perm_options::replace);
        setUiMessage("Please Wait...");
    }
    // Every argument reaches the new launcher unchanged, quoted as the
    // command-line rules need, also one that holds a double quote.
    const std::vector<std::string> handedOn(argv_.begin() + (argv_.empty() ? 0 : 1), argv_.end());
    platform::ProcessInfo process;
    CreateProcess(candidate, platform::joinCommandLine(handedOn), process,
                  {std::string(kHandOverVariable) + "=1"});
    selfUpdated = true;
    throw installer_error_exception(kBoostrapVersion);
}

// A downloaded launcher that is not the published version would find itself
// out of date and download again: it is not started, this launcher goes on.
bool Bootstrapper::isPublishedLauncher(const std::string& downloaded,
                                       const std::string& published) {
    const std::string version = fileVersionText(downloaded);
    if (version == published) return true;
    logger_->log(
        "checkBootstrapperVersion - downloaded launcher has version '%s', not the published '%s': "
        "not started",
        version.c_str(), published.c_str());
    std::error_code error;
    fs::remove(downloaded, error);
    return false;
}

void Bootstrapper::refreshInstalledLaunchers() {
    if (installedVersion().empty()) return;
    replaceInstalledCopy(installedLauncherPath());
    replaceInstalledCopy(versionsRoot(perUser) + launcherExeName());
}

void Bootstrapper::replaceInstalledCopy(const std::string& installed) {
    const std::string own = platform::executablePath();
    if (own.empty() || !fileExists(installed)) return;
    std::error_code error;
    if (fs::equivalent(own, installed, error)) return;
    if (!filesDiffer(own, installed)) return;
    const std::string fresh = installed + ".new";
    try {
        copyFile(*logger_, own, fresh);
        fs::permissions(fresh, fs::status(installed).permissions(), error);
        fs::rename(fresh, installed);
        logger_->log("Replaced older installed launcher: %s", installed.c_str());
    } catch (const fs::filesystem_error&) {
        logger_->log("Could not replace installed launcher (in use?): %s", installed.c_str());
        fs::remove(fresh, error);
    } catch (const std::exception& e) {
        logger_->log("replaceInstalledCopy failed: %s", e.what());
        fs::remove(fresh, error);
    }
}
