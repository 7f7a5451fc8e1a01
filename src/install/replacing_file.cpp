#include "install/replacing_file.h"

#include <filesystem>
#include <random>
#include <stdexcept>
#include <vector>

#include "base/errors.h"
#include "base/format.h"
#include "platform/exclusive_file.h"
#include "platform/known_folders.h"
#include "platform/last_error.h"
#include "platform/utf8_path.h"

namespace {

constexpr char kTemporaryPrefix[] = ".zbt-";
constexpr char kTemporarySuffix[] = ".tmp";
constexpr size_t kTemporaryDigits = 16;

// The platform has set the last error; without one the message stands alone.
[[noreturn]] void throwSystemError(const std::string& message) {
    throwLastError(message);
    throw std::runtime_error(message);
}

// A name no other thread or process picks: a random 64-bit suffix, created
// exclusively below, so a clash is simply retried.
std::string temporaryName(const std::string& target) {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    const size_t cut = target.find_last_of(platform::kPathSeparator);
    const std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
    return folder + format("%s%016llx%s", kTemporaryPrefix,
                           static_cast<unsigned long long>(generator()), kTemporarySuffix);
}

bool isTemporaryName(const std::string& name) {
    const size_t prefix = sizeof kTemporaryPrefix - 1;
    const size_t suffix = sizeof kTemporarySuffix - 1;
    if (name.size() != prefix + kTemporaryDigits + suffix) return false;
    if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) return false;
    const std::string digits = name.substr(prefix, kTemporaryDigits);
    return digits.find_first_not_of("0123456789abcdef") == std::string::npos;
}

}  // namespace

ReplacingFile::ReplacingFile(const std::string& target) : target_(target) {
    for (int attempt = 0; attempt < 8 && !file_; ++attempt) {
        temporary_ = temporaryName(target);
        file_ = platform::createExclusiveFile(temporary_);
        if (!file_ && platform::getLastError() != platform::kErrorAlreadyExists) break;
    }
    if (!file_) throwSystemError("failed CreateFile");
    // The callers write large blocks: pass them straight to the system.
    std::setvbuf(file_, nullptr, _IONBF, 0);
}

ReplacingFile::~ReplacingFile() {
    if (file_) std::fclose(file_);
    if (!committed_) {
        std::error_code ignored;
        std::filesystem::remove(platform::fsPath(temporary_), ignored);
    }
}

void ReplacingFile::write(const void* data, size_t size) {
    if (platform::writeWhole(file_, data, size)) return;
    if (platform::getLastError() != platform::kErrorSuccess) throwSystemError("WriteFile error");
    throw std::runtime_error("dwBytesWritten != nRet");
}

void ReplacingFile::close() {
    std::FILE* file = file_;
    file_ = nullptr;
    if (file && !platform::closeWrittenFile(file)) throwSystemError("WriteFile error");
}

bool ReplacingFile::commit() {
    close();
    std::error_code error;
    std::filesystem::rename(platform::fsPath(temporary_), platform::fsPath(target_), error);
    if (error) {
        platform::setLastError(platform::win32ErrorFromErrorCode(error));
        return false;
    }
    committed_ = true;
    return true;
}

bool replaceWithLink(const std::string& existing, const std::string& target) {
    std::error_code error;
    // Where nothing stands yet, one link is all it takes.
    std::filesystem::create_hard_link(platform::fsPath(existing), platform::fsPath(target), error);
    if (!error) return true;
    if (error != std::errc::file_exists) return false;
    const std::string temporary = temporaryName(target);
    std::filesystem::create_hard_link(platform::fsPath(existing), platform::fsPath(temporary),
                                      error);
    if (error) return false;
    std::filesystem::rename(platform::fsPath(temporary), platform::fsPath(target), error);
    if (!error) return true;
    std::filesystem::remove(platform::fsPath(temporary), error);
    return false;
}

void removeReplacingFileLeftovers(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code error;
    std::vector<fs::path> leftovers;
    for (fs::recursive_directory_iterator it(platform::fsPath(folder), error), end;
         !error && it != end; it.increment(error))
        if (it->is_regular_file(error) &&
            isTemporaryName(platform::utf8Path(it->path().filename())))
            leftovers.push_back(it->path());
    for (const fs::path& path : leftovers) fs::remove(path, error);
}
