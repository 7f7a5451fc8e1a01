// Checking a current installation before Studio starts: the whole manifest when
// started without arguments, else only the Studio executable.
#include <filesystem>
#include <fstream>

#include "base/errors.h"
#include "base/format.h"
#include "install/md5_hasher.h"
#include "install/native_path.h"
#include "launcher/bootstrapper.h"
#include "net/cdn_selection.h"
#include "platform/files.h"
#include "platform/utf8_path.h"

namespace {

void dropCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

}  // namespace

void Bootstrapper::checkInstalledFiles() {
    setUiMessage("Performing file check...");
    logger_->log("Performing file check...");
    const std::string manifestPath = simple_logger::getTempFileName("manifest");
    int status = 0;
    {
        // Owner-only like every file of ours in the temporary folder.
        if (!platform::createOwnerOnlyFile(manifestPath))
            throw std::runtime_error("Cannot create " + manifestPath + ": " + lastErrorText());
        std::ofstream manifest(platform::fsPath(manifestPath), std::ios::binary | std::ios::trunc);
        std::string etag;
        status =
            httpGetFromCdn(*this, etag, manifest, installHost(),
                           format("/%s-zbtManifest.txt", versionGuid_.c_str()), [](int, int) {});
    }
    if (status != 200 && status != 304) {
        logger_->log("Failed to get manifest file, full check skipped.");
        return;
    }
    std::ifstream manifest(platform::fsPath(manifestPath), std::ios::binary);
    if (!manifest) return;
    const std::string folder = programDirectory();
    std::string name;
    while (std::getline(manifest, name)) {
        if (name.empty()) break;
        dropCarriageReturn(name);
        const std::filesystem::path installed = platform::fsPath(folder + nativePath(name));
        std::ifstream file(installed, std::ios::binary);
        // A folder opens as a stream on Linux but cannot be read as a file.
        std::error_code error;
        if (!file || !std::filesystem::is_regular_file(installed, error)) {
            logger_->log("%s not found, forcing reinstall.", name.c_str());
            force = true;
            break;
        }
        Md5Hasher hasher;
        hasher.hashStream(file);
        std::string expected;
        std::getline(manifest, expected);
        dropCarriageReturn(expected);
        if (hasher.hexDigest() != expected) {
            logger_->log("%s corruption detected, forcing reinstall.", name.c_str());
            force = true;
            break;
        }
    }
    logger_->log("File check complete.");
}

void Bootstrapper::checkAppExecutable() {
    std::error_code error;
    const bool found =
        std::filesystem::exists(platform::fsPath(programDirectory() + appExeName()), error);
    logger_->log("ZorbitAppFileName = %s", appExeName().c_str());
    logger_->log("programDirectory = %s", programDirectory().c_str());
    if (!found) {
        logger_->log("%s not found, forcing reinstall.", appExeName().c_str());
        force = true;
    } else if (!appVersionMatches() && reinstallOnAppVersionMismatch()) {
        logger_->log("ZorbitApp version mismatch, forcing reinstall.");
        force = true;
    }
}
