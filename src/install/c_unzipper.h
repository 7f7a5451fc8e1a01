#pragma once
// Unpacks a zip package into a folder, keeping the archive's relative paths and
// giving every file the archive's modification time.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

// What the archive's central directory says about one entry.
struct ZipEntryInfo {
    std::string fileName;  // native path: every '\' and '/' became the native separator
    uint32_t version = 0;  // version made by; the high byte names the host system
    uint32_t versionNeeded = 0;
    uint32_t flags = 0;
    uint32_t compressionMethod = 0;
    uint32_t dosDateTime = 0;  // MS-DOS date in the high 16 bits, time in the low 16
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint32_t internalAttributes = 0;
    uint32_t externalAttributes = 0;
    bool isFolder = false;  // the name ends in a separator
};

// Gives a file unpacked from the entry, not yet in place, the entry's time
// (SetFileModTime) and, for an entry packed on Unix, its execute bits.
void giveEntryAttributes(const std::string& path, const ZipEntryInfo& info);
// Only the execute bits of that.
void giveEntryMode(const std::string& path, const ZipEntryInfo& info);

class CUnzipper {
public:
    // An unzipper without an archive.
    CUnzipper();
    // Opens the archive; throws std::runtime_error "unzOpen failed for %s".
    explicit CUnzipper(const std::string& archivePath);
    ~CUnzipper();
    CUnzipper(const CUnzipper&) = delete;
    CUnzipper& operator=(const CUnzipper&) = delete;

    // Replace an existing file; when it cannot be replaced the entry is
    // skipped and the old file stays. Without it that is an error.
    void setDeleteBeforeWrite(bool value) { deleteBeforeWrite_ = value; }
    bool deleteBeforeWrite() const { return deleteBeforeWrite_; }
    // Called with each entry once its file is in place.
    using WrittenEntry = std::function<void(const ZipEntryInfo& info)>;
    void setOnWritten(WrittenEntry onWritten) { onWritten_ = std::move(onWritten); }
    // The archive path without its extension: the folder used when none is given.
    const std::string& outputFolder() const { return outputFolder_; }

    // Unpacks every entry into the folder. Throws std::runtime_error on the first
    // failure: a damaged entry, an entry whose name would leave the folder or
    // clash with an earlier entry's (see ZipEntryNames), a file that cannot be
    // written. Entries written before the failure stay.
    void ExtractAll(const std::string& folder);
    // ExtractAll for the entries take answers true for; the others are checked
    // as ExtractAll checks them (names, clashes) but not read. An empty take
    // takes every entry.
    using EntryFilter = std::function<bool(const ZipEntryInfo& info)>;
    void ExtractEntries(const std::string& folder, const EntryFilter& take);
    // Unpacks the current entry into the folder (outputFolder when empty).
    void ExtractCurrentEntry(const std::string& folder = {});
    // Fills info for the current entry; false without an archive or when the
    // entry cannot be read.
    bool ReadEntryInfo(ZipEntryInfo& info);

    // True when the folder exists afterwards: made with its missing parents.
    static bool CreateFolder(const std::string& path);
    // Sets the file's modification time to the archive's local MS-DOS time,
    // converted to UTC. Throws std::runtime_error naming the step that failed.
    static void SetFileModTime(const std::string& path, uint32_t dosDateTime);

private:
    struct Archive;
    void extractEntry(const std::string& folder, bool folderKnown, const EntryFilter& take = {});
    void writeEntry(const ZipEntryInfo& info, const std::string& path);
    bool ensureParent(const std::string& path, bool folderKnown);

    std::unique_ptr<Archive> archive_;
    bool deleteBeforeWrite_ = false;
    WrittenEntry onWritten_;
    std::string outputFolder_;
};
