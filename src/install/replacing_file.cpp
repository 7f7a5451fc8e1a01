#include "install/replacing_file.h"

#include <cerrno>
#include <filesystem>
#include <random>
#include <stdexcept>

#include "launcher/errors.h"
#include "platform/known_folders.h"
#include "platform/last_error.h"
#include "telemetry/format.h"

namespace {

[[noreturn]] void throwSystemError(const std::string& message) {
    platform::setLastErrorFromErrno();
    throwLastError(message);
    throw std::runtime_error(message);
}

// A name no other thread or process picks: a random 64-bit suffix, created
// exclusively below, so a clash is simply retried.
std::string temporaryName(const std::string& target) {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    const size_t cut = target.find_last_of(platform::kPathSeparator);
    const std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
    return folder + format(".zbt-%016llx.tmp", static_cast<unsigned long long>(generator()));
}

}  // namespace

ReplacingFile::ReplacingFile(const std::string& target) : target_(target) {
    for (int attempt = 0; attempt < 8 && !file_; ++attempt) {
        temporary_ = temporaryName(target);
        file_ = std::fopen(temporary_.c_str(), "wbx");
        if (!file_ && errno != EEXIST) break;
    }
    if (!file_) throwSystemError("failed CreateFile");
    // The callers write large blocks: pass them straight to the system.
    std::setvbuf(file_, nullptr, _IONBF, 0);
}

ReplacingFile::~ReplacingFile() {
    if (file_) std::fclose(file_);
    if (!committed_) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
    }
}

void ReplacingFile::write(const void* data, size_t size) {
    errno = 0;
    if (std::fwrite(data, 1, size, file_) == size) return;
    if (errno != 0) throwSystemError("WriteFile error");
    throw std::runtime_error("dwBytesWritten != nRet");
}

void ReplacingFile::close() {
    std::FILE* file = file_;
    file_ = nullptr;
    if (file && std::fclose(file) != 0) throwSystemError("WriteFile error");
}

bool ReplacingFile::commit() {
    close();
    std::error_code error;
    std::filesystem::rename(temporary_, target_, error);
    if (error) {
        platform::setLastError(platform::win32ErrorFromErrno(error.value()));
        return false;
    }
    committed_ = true;
    return true;
}
