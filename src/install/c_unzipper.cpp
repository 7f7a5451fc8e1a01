#include "install/c_unzipper.h"

#include <minizip/unzip.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>

#include "base/errors.h"
#include "base/format.h"
#include "install/dos_time.h"
#include "install/native_path.h"
#include "install/replacing_file.h"
#include "install/zip_entry_name.h"
#include "platform/files.h"
#include "platform/known_folders.h"
#include "platform/last_error.h"
#include "platform/utf8_path.h"

namespace fs = std::filesystem;

namespace {

const char kSeparator = platform::kPathSeparator;
// Inflating straight into a large block and writing it in one call keeps the
// per-block cost small; the work is CPU-bound.
constexpr unsigned kCopyBlock = 256 * 1024;
// Entry names are stored with a 16-bit length.
constexpr size_t kMaxEntryName = 0xFFFF;
constexpr uint32_t kUnixHost = 3;

// The archive path with the extension of its last part dropped, as a folder.
std::string folderOfArchive(const std::string& path) {
    const size_t dot = path.find_last_of('.');
    const size_t cut = path.find_last_of(kSeparator);
    if (dot == std::string::npos || (cut != std::string::npos && dot < cut)) return path;
    return path.substr(0, dot) + kSeparator;
}

[[noreturn]] void throwWithLastError(uint32_t code, const std::string& message) {
    platform::setLastError(code == 0 ? platform::kErrorInvalidParameter : code);
    throwLastError(message);
    throw std::runtime_error(message);
}

// The execute bits of a file packed on a Unix system, so programs stay runnable.
fs::perms executeBits(const ZipEntryInfo& info) {
    if ((info.version >> 8) != kUnixHost) return fs::perms::none;
    return static_cast<fs::perms>((info.externalAttributes >> 16) & 0111);
}

// minizip's own opener hands the name to fopen in the system's narrow encoding.
// Only the opening goes through the UTF-8 boundary: the reads and seeks stay
// minizip's stdio ones, which work on the FILE the opener returns.
voidpf ZCALLBACK openArchive(voidpf, const void* name, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    return platform::openFile(static_cast<const char*>(name), "rb");
}

unzFile openZip(const std::string& path) {
    zlib_filefunc64_def files{};
    fill_fopen64_filefunc(&files);
    files.zopen64_file = openArchive;
    return unzOpen2_64(path.c_str(), &files);
}

}  // namespace

struct CUnzipper::Archive {
    unzFile handle = nullptr;
    std::unique_ptr<char[]> block;
    std::string nameBuffer;
    // The parent folder of the previous entry, known to exist: entries of one
    // folder follow each other, so most entries need no folder check.
    std::string knownParent;
    // What the entries unpacked so far are named, to refuse one that would
    // replace another.
    ZipEntryNames names;

    ~Archive() {
        if (!handle) return;
        unzCloseCurrentFile(handle);
        unzClose(handle);
    }
};

void giveEntryAttributes(const std::string& path, const ZipEntryInfo& info) {
    CUnzipper::SetFileModTime(path, info.dosDateTime);
    giveEntryMode(path, info);
}

void giveEntryMode(const std::string& path, const ZipEntryInfo& info) {
    if (const fs::perms execute = executeBits(info); execute != fs::perms::none) {
        std::error_code ignored;
        fs::permissions(platform::fsPath(path), execute, fs::perm_options::add, ignored);
    }
}

CUnzipper::CUnzipper() = default;

CUnzipper::CUnzipper(const std::string& archivePath) {
    auto archive = std::make_unique<Archive>();
    archive->handle = openZip(archivePath);
    if (!archive->handle)
        throw std::runtime_error(format("unzOpen failed for %s", archivePath.c_str()));
    archive_ = std::move(archive);
    outputFolder_ = folderOfArchive(archivePath);
}

CUnzipper::~CUnzipper() = default;

void CUnzipper::ExtractAll(const std::string& folder) {
    ExtractEntries(folder, {});
}

void CUnzipper::ExtractEntries(const std::string& folder, const EntryFilter& take) {
    if (!archive_) throw std::runtime_error("No file to unzip");
    if (folder.empty()) throw std::runtime_error("No destination folder");
    if (!CreateFolder(folder)) throw std::runtime_error("Failed to create destination folder");
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(archive_->handle, &global) != UNZ_OK)
        throw std::runtime_error("failed to read the archive's directory");
    if (global.number_entry == 0) throw std::runtime_error("file count is 0");
    if (unzGoToFirstFile(archive_->handle) != UNZ_OK)
        throw std::runtime_error("failed to go to first file");
    archive_->knownParent.clear();
    archive_->names.clear();
    for (;;) {
        extractEntry(folder, true, take);
        const int result = unzGoToNextFile(archive_->handle);
        if (result == UNZ_END_OF_LIST_OF_FILE) break;
        // A damaged directory must not pass for the end of the package.
        if (result != UNZ_OK)
            throw std::runtime_error(format("Failed unzGoToNextFile: UZ=%d", result));
    }
}

void CUnzipper::ExtractCurrentEntry(const std::string& folder) {
    if (archive_) {
        archive_->knownParent.clear();
        archive_->names.clear();
    }
    extractEntry(folder, false);
}

void CUnzipper::extractEntry(const std::string& folder, bool folderKnown, const EntryFilter& take) {
    if (!archive_) throw std::runtime_error("No file to unzip");
    const std::string& target = folder.empty() ? outputFolder_ : folder;
    if (!folderKnown && !CreateFolder(target)) throw std::runtime_error("failed CreateFolder");

    ZipEntryInfo info;
    if (!ReadEntryInfo(info)) throw std::runtime_error("Failed unzGetCurrentFileInfo");
    if (!isSafeEntryName(info.fileName))
        throw std::runtime_error(
            format("Unsafe entry name '%s': it would be written outside the target folder",
                   info.fileName.c_str()));
    archive_->names.claim(info.fileName, info.isFolder);
    // Folders come into being through the files below them.
    if (info.isFolder || (take && !take(info))) return;

    std::string path = target;
    if (path.back() != kSeparator) path += kSeparator;
    path += info.fileName;
    if (!ensureParent(path, folderKnown)) throw std::runtime_error("failed CreateFilePath");
    writeEntry(info, path);
}

bool CUnzipper::ensureParent(const std::string& path, bool folderKnown) {
    const size_t cut = path.find_last_of(kSeparator);
    if (cut == std::string::npos) return false;
    const std::string parent = path.substr(0, cut);
    if (folderKnown && parent == archive_->knownParent) return true;
    if (!CreateFolder(parent)) return false;
    archive_->knownParent = parent;
    return true;
}

void CUnzipper::writeEntry(const ZipEntryInfo& info, const std::string& path) {
    unzFile zip = archive_->handle;
    if (!archive_->block) archive_->block = std::make_unique<char[]>(kCopyBlock);
    const char* name = info.fileName.c_str();

    ReplacingFile file(path);
    const int opened = unzOpenCurrentFile(zip);
    if (opened != UNZ_OK)
        throw std::runtime_error(format("Failed %s: UZ=%d", "unzOpenCurrentFile", opened));
    uint64_t written = 0;
    for (;;) {
        const int count = unzReadCurrentFile(zip, archive_->block.get(), kCopyBlock);
        if (count == 0) break;
        if (count < 0) {
            unzCloseCurrentFile(zip);
            throw std::runtime_error(
                format("Damaged entry '%s': Failed unzReadCurrentFile: UZ=%d", name, count));
        }
        file.write(archive_->block.get(), static_cast<size_t>(count));
        written += static_cast<uint64_t>(count);
    }
    // The CRC is checked on close, but only once every byte came out: an entry
    // whose data ends early is caught by its length.
    const int closed = unzCloseCurrentFile(zip);
    if (closed == UNZ_CRCERROR)
        throw std::runtime_error(format("Damaged entry '%s': CRC mismatch", name));
    if (closed != UNZ_OK)
        throw std::runtime_error(
            format("Damaged entry '%s': Failed unzCloseCurrentFile: UZ=%d", name, closed));
    if (written != info.uncompressedSize)
        throw std::runtime_error(format("Damaged entry '%s': %llu of %llu bytes", name,
                                        static_cast<unsigned long long>(written),
                                        static_cast<unsigned long long>(info.uncompressedSize)));
    file.close();
    giveEntryAttributes(file.temporaryPath(), info);
    if (file.commit()) {
        if (onWritten_) onWritten_(info);
        return;
    }
    // A file that cannot be replaced is left as it is when asked to delete
    // before writing; otherwise the package fails.
    if (deleteBeforeWrite_) return;
    throwLastError(format("failed to replace '%s'", path.c_str()));
    throw std::runtime_error(format("failed to replace '%s'", path.c_str()));
}

bool CUnzipper::ReadEntryInfo(ZipEntryInfo& info) {
    if (!archive_) return false;
    info = ZipEntryInfo{};
    std::string& buffer = archive_->nameBuffer;
    buffer.resize(kMaxEntryName + 1);
    unz_file_info64 raw{};
    if (unzGetCurrentFileInfo64(archive_->handle, &raw, buffer.data(), buffer.size(), nullptr, 0,
                                nullptr, 0) != UNZ_OK)
        return false;
    info.fileName =
        nativePath(buffer.substr(0, std::min<size_t>(raw.size_filename, kMaxEntryName)));
    info.version = static_cast<uint32_t>(raw.version);
    info.versionNeeded = static_cast<uint32_t>(raw.version_needed);
    info.flags = static_cast<uint32_t>(raw.flag);
    info.compressionMethod = static_cast<uint32_t>(raw.compression_method);
    info.dosDateTime = static_cast<uint32_t>(raw.dosDate);
    info.crc = static_cast<uint32_t>(raw.crc);
    info.compressedSize = raw.compressed_size;
    info.uncompressedSize = raw.uncompressed_size;
    info.internalAttributes = static_cast<uint32_t>(raw.internal_fa);
    info.externalAttributes = static_cast<uint32_t>(raw.external_fa);
    info.isFolder = !info.fileName.empty() && info.fileName.back() == kSeparator;
    return true;
}

bool CUnzipper::CreateFolder(const std::string& path) {
    if (path.empty()) return false;
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == kSeparator) folder.pop_back();
    std::error_code error;
    const fs::file_status status = fs::status(platform::fsPath(folder), error);
    if (fs::exists(status)) return fs::is_directory(status);
    const size_t cut = folder.find_last_of(kSeparator);
    if (cut != std::string::npos && cut > 0 && !CreateFolder(folder.substr(0, cut))) return false;
    fs::create_directory(platform::fsPath(folder), error);
    // Another extraction may have made it meanwhile: what counts is that it is there.
    return fs::is_directory(platform::fsPath(folder), error);
}

void CUnzipper::SetFileModTime(const std::string& path, uint32_t dosDateTime) {
    int64_t seconds = 0;
    if (!dosDateTimeToUnixTime(dosDateTime, seconds))
        throwWithLastError(platform::kErrorInvalidParameter,
                           format("SetFileModTime failed DosDateTimeToFileTime: %s", path.c_str()));
    const auto instant =
        std::chrono::file_clock::from_sys(std::chrono::sys_seconds{std::chrono::seconds{seconds}});
    std::error_code error;
    fs::last_write_time(platform::fsPath(path), instant, error);
    if (!error) return;
    const uint32_t code = platform::win32ErrorFromErrorCode(error);
    if (code == platform::kErrorFileNotFound || code == platform::kErrorPathNotFound)
        throwWithLastError(code, format("SetFileModTime couldn't open %s", path.c_str()));
    throwWithLastError(code, format("SetFileModTime failed SetFileTime: %s", path.c_str()));
}
