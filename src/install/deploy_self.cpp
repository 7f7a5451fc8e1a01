#include "install/deploy_self.h"

#include <filesystem>

#include "base/errors.h"
#include "base/installer_site.h"
#include "base/logger.h"
#include "install/copy_file.h"
#include "install/self_update.h"
#include "platform/process.h"
#include "platform/utf8_path.h"

namespace fs = std::filesystem;

void deploySelf(IInstallerSite& site, const std::string& launcherExeName) {
    simple_logger& logger = site.logger();
    logger.log("deploySelf");
    const std::string target = site.programDirectory() + launcherExeName;
    logger.log("Bootstrapper::deploySelf - Final file path=%s", target.c_str());
    std::error_code error;
    if (fs::exists(platform::fsPath(target), error)) {
        logger.log("PathFileExists");
        replaceInstalledCopy(logger, target);
        return;
    }
    logger.log("!PathFileExists");
    const std::string own = platform::executablePath();
    if (own.empty()) {
        const char* message = "Error when getting bootstrapper filename for selfDeploy";
        throwLastError(message);
        throw std::runtime_error(message);
    }
    logger.log("GetModuleFileName: %s", own.c_str());
    copyFile(logger, own, target);
    // The copy runs as a program: it gets the running launcher's permissions.
    fs::permissions(platform::fsPath(target),
                    fs::status(platform::fsPath(own), error).permissions(), error);
    logger.log("Copy: from  '%s' to '%s'", own.c_str(), target.c_str());
}

bool deploySelfTo(simple_logger& logger, const std::string& target) {
    const fs::path targetPath = platform::fsPath(target);
    std::error_code error;
    if (fs::is_regular_file(targetPath, error)) return true;
    try {
        const std::string own = platform::executablePath();
        if (own.empty()) throw std::runtime_error("no path of the running launcher");
        copyFile(logger, own, target);
        fs::permissions(targetPath, fs::status(platform::fsPath(own), error).permissions(), error);
        return true;
    } catch (const std::exception& e) {
        logger.log("Bootstrapper::deploySelfTo %s failed: %s", target.c_str(), e.what());
        if (fs::is_regular_file(targetPath, error)) fs::remove(targetPath, error);
        return false;
    }
}
