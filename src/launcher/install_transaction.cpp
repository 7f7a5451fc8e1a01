// One fresh install or update of the Studio, framed by the events and reports
// that tell the platform what happened.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>

#include "base/errors.h"
#include "base/format.h"
#include "install/file_deployer.h"
#include "launcher/bootstrapper.h"
#include "net/http_client.h"
#include "platform/elevation.h"
#include "platform/utf8_path.h"
#include "system/cookie_engine.h"
#include "system/registered_values.h"
#include "system/version_folders.h"
#include "ui/main_dialog.h"

namespace {

const char* const kInstallStartEntry = "zbt_evt_initial_install_start";
const char* const kInstallSuccessEntry = "zbt_evt_initial_install_success";
const char* const kCookieEventValue = "{\"os\" : \"Win32\"}";

// The id comes from a browser link: in a query it must stay one parameter.
std::string queryEscaped(const std::string& text) {
    std::string escaped;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            escaped += static_cast<char>(c);
        } else {
            escaped += format("%%%02X", c);
        }
    }
    return escaped;
}

}  // namespace

void Bootstrapper::install() {
    logger_->log("Bootstrapper::install");
    const bool updating = !installedVersion().empty();
    logger_->log("isUpdating = %d", updating ? 1 : 0);
    CookieEngine cookies(registeredCookiePath());
    bool startEntryWritten = false;
    if (!updating) {
        startEntryWritten = setValueWithRetry(cookies, kInstallStartEntry, kCookieEventValue);
        RegisterEvent("BootstrapperInstallStarted");
        installStarted = true;
    } else {
        RegisterEvent("BootstrapperUpdateStarted");
        updateStarted = true;
    }
    try {
        requireAdministratorForAllUsers();
        shutdownRunningApp(appExeName());
        checkCancel();
        setUiMessage("Configuring " + displayName());
        postClientStatus();
        DoInstallApp();
        retireEarlierVersions();
        // Last: removing the earlier versions' names moved the change times.
        if (fileDeployer) fileDeployer->keepFileRecord(programDirectory(), versionGuid_);
        if (startEntryWritten) setValueWithRetry(cookies, kInstallSuccessEntry, kCookieEventValue);
        RegisterEvent(updating ? "BootstrapperUpdateSuccess" : "BootstrapperInstallSuccess");
        reportInstallSeries(updating, "Success", "", deployedBytes());
    } catch (const cancel_exception& e) {
        logger_->log("Error: %s", e.what());
        reportInstallSeries(updating, "Cancel", format("%s: %s", e.what(), cancelReason(e).c_str()),
                            deployedBytes());
        throw;
    } catch (const installer_error_exception& e) {
        logger_->log("Error: %s", e.what());
        reportInstallSeries(updating, "Error",
                            format("%s: %s", e.what(), installerErrorName(e.code()).c_str()),
                            deployedBytes());
        throw;
    } catch (const previous_error& e) {
        logger_->log("Error: %s", e.what());
        reportInstallSeries(updating, "Error", e.what(), deployedBytes());
        throw;
    } catch (const std::exception& e) {
        logger_->log("Error: %s", e.what());
        reportInstallSeries(updating, "Error", e.what(), deployedBytes());
        throw;
    }
}

// An all-users install writes machine folders and the machine's hive: only root may.
void Bootstrapper::requireAdministratorForAllUsers() {
    if (perUser || platform::isElevated()) return;
    if (interactive)
        dialog_->showError(
            "On this machine you must install Vexmoor using an Administrator account");
    throw installer_error_exception(kAdminAccountRequired);
}

// Tells the web site that the browser's launch is installing; the answer is dropped.
void Bootstrapper::postClientStatus() {
    if (browserTrackerId.empty()) return;
    try {
        std::istringstream body;
        std::ostringstream answer;
        httpPost(*this, body, "*/*", answer, true, baseHost_,
                 format("/client-status/set?browserTrackerId=%s&status=BootstrapperInstalling",
                        queryEscaped(browserTrackerId).c_str()),
                 [](int, int) {});
    } catch (const std::exception& e) {
        logger_->log("Error: %s", e.what());
    }
}

// The folders of earlier versions go once the new one is in place; a folder that
// could not be removed stays listed and is tried again next time.
void Bootstrapper::retireEarlierVersions() {
    listUnrecordedVersionFolders();
    for (const std::string& version : std::vector<std::string>(prevVersions))
        deleteVersionFolder(version);
    prevVersions.push_back(versionGuid_);
    storePrevVersions();
}

// An install that failed or was killed before it recorded its version leaves a
// folder no list names; it is retired with the earlier versions instead of
// staying on disk for good. Only folders named like our version GUIDs count:
// the user's and other programs' folders in Versions are not ours to remove.
void Bootstrapper::listUnrecordedVersionFolders() {
    std::string root;
    try {
        root = versionsRoot(perUser);
    } catch (const std::exception& e) {
        logger_->log("Error: %s", e.what());
        return;
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(platform::fsPath(root), error)) {
        const std::string name = platform::utf8Path(entry.path().filename());
        // A link is never a folder we made: its target is not ours to empty.
        if (!std::filesystem::is_directory(entry.symlink_status(error)) ||
            !looksLikeVersionGuid(name) || name == versionGuid_ ||
            std::find(prevVersions.begin(), prevVersions.end(), name) != prevVersions.end())
            continue;
        logger_->log("Bootstrapper::install - unrecorded version folder %s", name.c_str());
        prevVersions.push_back(name);
    }
}

int64_t Bootstrapper::deployedBytes() const {
    return fileDeployer ? fileDeployer->bytesReceived() : 0;
}
