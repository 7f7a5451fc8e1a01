// The launcher puts itself into the version folder it installs, and refreshes
// installed copies whose content differs from its own.
#include <filesystem>
#include <fstream>

#include "install/copy_file.h"
#include "launcher/bootstrapper.h"
#include "launcher/errors.h"
#include "platform/process.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kCompareBlock = 64 * 1024;

// True when both files open and their contents differ.
bool filesDiffer(const std::string& a, const std::string& b) {
    std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
    if (!first || !second) return false;
    std::string blockA(kCompareBlock, '\0'), blockB(kCompareBlock, '\0');
    for (;;) {
        first.read(blockA.data(), kCompareBlock);
        second.read(blockB.data(), kCompareBlock);
        const std::streamsize countA = first.gcount(), countB = second.gcount();
        if (countA != countB || blockA.compare(0, countA, blockB, 0, countB) != 0) return true;
        if (countA == 0) return false;
    }
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return a == b || fs::equivalent(a, b, error);
}

// The copy runs as a program: give it the running launcher's permissions.
void copyPermissions(const std::string& from, const std::string& to) {
    std::error_code error;
    fs::permissions(to, fs::status(from, error).permissions(), error);
}

}  // namespace

std::string Bootstrapper::installedLauncherPath() { return programDirectory() + launcherExeName(); }

void Bootstrapper::replaceInstalledCopy(const std::string& installed) {
    const std::string own = platform::executablePath();
    if (own.empty()) return;
    std::error_code error;
    if (!fs::is_regular_file(installed, error) || sameFile(own, installed)) return;
    if (!filesDiffer(own, installed)) return;
    const std::string fresh = installed + ".new";
    try {
        copyFile(*logger_, own, fresh);
        copyPermissions(own, fresh);
        fs::rename(fresh, installed, error);
        if (!error) {
            logger_->log("Replaced older installed launcher: %s", installed.c_str());
            return;
        }
        logger_->log("Could not replace installed launcher (in use?): %s", installed.c_str());
    } catch (const std::exception& e) {
        logger_->log("replaceInstalledCopy failed: %s", e.what());
    }
    fs::remove(fresh, error);
}

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
    copyPermissions(own, target);
    logger_->log("Copy: from  '%s' to '%s'", own.c_str(), target.c_str());
}
