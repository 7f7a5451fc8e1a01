// The launcher puts itself into the version folder it installs.
#include <filesystem>

#include "install/copy_file.h"
#include "launcher/bootstrapper.h"
#include "base/errors.h"
#include "platform/process.h"

namespace fs = std::filesystem;

void Bootstrapper::deploySelf() {
    logger_->log("deploySelf");
    const std::string target = installedLauncherPath();
    logger_->log("Bootstrapper::deploySelf - Final file path=%s", target.c_str());
    std::error_code error;
    if (fs::exists(target, error)) {
        logger_->log("PathFileExists");
        replaceInstalledCopy(target);
        return;
    }
    logger_->log("!PathFileExists");
    const std::string own = platform::executablePath();
    if (own.empty()) {
        const char* message = "Error when getting bootstrapper filename for selfDeploy";
        throwLastError(message);
        throw std::runtime_error(message);
    }
    logger_->log("GetModuleFileName: %s", own.c_str());
    copyFile(*logger_, own, target);
    // The copy runs as a program: it gets the running launcher's permissions.
    fs::permissions(target, fs::status(own, error).permissions(), error);
    logger_->log("Copy: from  '%s' to '%s'", own.c_str(), target.c_str());
}

bool Bootstrapper::deploySelfTo(const std::string& target) {
    std::error_code error;
    if (fs::is_regular_file(target, error)) return true;
    try {
        const std::string own = platform::executablePath();
        if (own.empty()) throw std::runtime_error("no path of the running launcher");
        copyFile(*logger_, own, target);
        fs::permissions(target, fs::status(own, error).permissions(), error);
        return true;
    } catch (const std::exception& e) {
        logger_->log("Bootstrapper::deploySelfTo %s failed: %s", target.c_str(), e.what());
        if (fs::is_regular_file(target, error)) fs::remove(target, error);
        return false;
    }
}
