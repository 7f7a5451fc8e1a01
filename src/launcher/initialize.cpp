// Finishing the Bootstrapper before the run: dialog, options, install scope,
// administrator rights, deployer and the earlier versions.
#include "base/errors.h"
#include "base/format.h"
#include "launcher/bootstrapper.h"
#include "platform/elevation.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "ui/main_dialog.h"

void Bootstrapper::initialize() {
    try {
        logger_->log("Bootstrapper::initialize");
        createDialog();
        dialog_->setCancelCallable([this] { onCancel(); });
        dialog_->setTitle(displayName());
        parseCmdLine();
        // Elevation is the only system fact that matters here; the Windows
        // version queries have no counterpart.
        logger_->log("IsVistaPlus = %d", 1);
        logger_->log("IsElevated = %d", platform::isElevated() ? 1 : 0);
        logger_->log("IsUacEnabled = %d", platform::elevationPromptAvailable() ? 1 : 0);
        if (perUser) decideScope();
        logger_->log("perUser = %d", perUser ? 1 : 0);
        createFileDeployer();
        logger_->log("Bootstrapper::initialize - calling loadPrevVersions");
        loadPrevVersions();
        const std::string installed = installedVersion();
        if (installed.empty()) {
            logger_->log("isUpdating = false");
        } else {
            logger_->log("isUpdating = true, %s", installed.c_str());
            if (isPlayMode() && quietWhenUpdating()) silent = true;
        }
        if (!interactive && background) {
            silent = true;
        } else if (forceSilent()) {
            silent = true;
        }
        dialog_->setSilent(silent);
        if (!perUser && !platform::isElevated()) relaunchElevated();
        openClassesKey();
        initializeCookiePath();
    } catch (const hresult_error& e) {
        reportError(std::runtime_error(format("AtlException 0x%x", static_cast<unsigned>(e.hr()))));
        throw;
    } catch (const silent_exception&) {
        throw;
    } catch (const std::exception& e) {
        reportError(e);
        throw;
    }
}

void Bootstrapper::decideScope() {
    const bool elevated = platform::isElevated();
    if (!debugMode) {
        if (elevated) perUser = false;
        return;
    }
    dialog_->showMessageBox("This is Vista", "Debug", platform::kMbOk);
    dialog_->showMessageBox(elevated ? "This is Elevated" : "This is not Elevated", "Debug",
                            platform::kMbOk);
    if (elevated) {
        const int answer = dialog_->showMessageBox("Do you want an all-user install?", "DEBUG",
                                                   platform::kMbYesNo);
        perUser = answer == platform::kIdNo;
    }
}

// An all-users install needs root: start an elevated copy with the same
// arguments and end this one.
void Bootstrapper::relaunchElevated() {
    if (platform::elevationPromptAvailable()) {
        logger_->log("re-launching elevated");
        const std::vector<std::string> arguments(argv_.begin() + (argv_.empty() ? 0 : 1),
                                                 argv_.end());
        if (platform::startElevated(platform::executablePath(), arguments)) {
            logger_->log("ShellExecuteEx succeeded");
        } else {
            logger_->log("ShellExecuteEx failed: %s", lastErrorText().c_str());
        }
        throw installer_error_exception(kVistaElevation);
    }
    if (interactive) dialog_->showError("This operation requires administrator priveleges");
    throw installer_error_exception(kAdminAccountRequiredWithoutUac);
}
