#include "install/zip_directory.h"

#include <algorithm>
#include <stdexcept>

#include "install/native_path.h"

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kEntrySignature = 0x02014b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kEntryHeaderSize = 46;
constexpr size_t kLocalHeaderSize = 30;
constexpr uint32_t kEncrypted = 1;

uint32_t readLittle(const std::string& bytes, size_t at, int count) {
    uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    return value;
}

[[noreturn]] void refuse(const std::string& why) {
    throw std::runtime_error("Package directory unusable: " + why);
}

ZipDirectoryEntry readEntry(const std::string& bytes, size_t& at) {
    if (at + kEntryHeaderSize > bytes.size() || readLittle(bytes, at, 4) != kEntrySignature)
        refuse("an entry header is missing");
    ZipDirectoryEntry entry;
    ZipEntryInfo& info = entry.info;
    info.version = readLittle(bytes, at + 4, 2);
    info.versionNeeded = readLittle(bytes, at + 6, 2);
    info.flags = readLittle(bytes, at + 8, 2);
    info.compressionMethod = readLittle(bytes, at + 10, 2);
    info.dosDateTime = readLittle(bytes, at + 14, 2) << 16 | readLittle(bytes, at + 12, 2);
    info.crc = readLittle(bytes, at + 16, 4);
    info.compressedSize = readLittle(bytes, at + 20, 4);
    info.uncompressedSize = readLittle(bytes, at + 24, 4);
    const size_t nameLength = readLittle(bytes, at + 28, 2);
    const size_t variable =
        nameLength + readLittle(bytes, at + 30, 2) + readLittle(bytes, at + 32, 2);
    info.internalAttributes = readLittle(bytes, at + 36, 2);
    info.externalAttributes = readLittle(bytes, at + 38, 4);
    entry.localHeaderOffset = readLittle(bytes, at + 42, 4);
    if (at + kEntryHeaderSize + variable > bytes.size()) refuse("an entry runs past the directory");
    info.fileName = nativePath(bytes.substr(at + kEntryHeaderSize, nameLength));
    info.isFolder = !info.fileName.empty() && info.fileName.back() == platform::kPathSeparator;
    if (info.flags & kEncrypted) refuse("encrypted entry " + info.fileName);
    if (info.compressedSize == 0xFFFFFFFF || info.uncompressedSize == 0xFFFFFFFF ||
        entry.localHeaderOffset == 0xFFFFFFFF)
        refuse("zip64 entry " + info.fileName);
    at += kEntryHeaderSize + variable;
    return entry;
}

// Every entry's local header and data lie before the next entry's and before
// the directory.
void checkPlacement(std::vector<const ZipDirectoryEntry*> sorted, uint64_t directoryOffset) {
    std::sort(sorted.begin(), sorted.end(), [](const auto* a, const auto* b) {
        return a->localHeaderOffset < b->localHeaderOffset;
    });
    for (size_t i = 0; i < sorted.size(); ++i) {
        const uint64_t next =
            i + 1 < sorted.size() ? sorted[i + 1]->localHeaderOffset : directoryOffset;
        const uint64_t end =
            sorted[i]->localHeaderOffset + kLocalHeaderSize + sorted[i]->info.compressedSize;
        if (end > next)
            refuse("the data of " + sorted[i]->info.fileName + " overlaps what follows");
    }
}

}  // namespace

ZipDirectoryPlace findZipDirectory(const std::string& tail, uint64_t packageSize) {
    if (tail.size() < kEndRecordSize || tail.size() > packageSize) refuse("no end record");
    // The record ends the package, after a comment of its stated length.
    for (size_t at = tail.size() - kEndRecordSize + 1; at-- > 0;) {
        if (readLittle(tail, at, 4) != kEndSignature ||
            at + kEndRecordSize + readLittle(tail, at + 20, 2) != tail.size())
            continue;
        if (readLittle(tail, at + 4, 2) != 0 || readLittle(tail, at + 6, 2) != 0)
            refuse("a package on several disks");
        ZipDirectoryPlace place;
        place.entries = readLittle(tail, at + 10, 2);
        place.size = readLittle(tail, at + 12, 4);
        place.offset = readLittle(tail, at + 16, 4);
        if (place.entries == 0xFFFF || place.size == 0xFFFFFFFF || place.offset == 0xFFFFFFFF)
            refuse("a zip64 package");
        if (readLittle(tail, at + 8, 2) != place.entries) refuse("entries on several disks");
        const uint64_t recordOffset = packageSize - tail.size() + at;
        if (place.offset + place.size != recordOffset)
            refuse("the directory does not end at the end record");
        return place;
    }
    refuse("no end record");
}

std::vector<ZipDirectoryEntry> readZipDirectory(const std::string& bytes,
                                                const ZipDirectoryPlace& place) {
    if (bytes.size() != place.size) refuse("the directory's size differs from the end record's");
    std::vector<ZipDirectoryEntry> entries;
    size_t at = 0;
    while (at < bytes.size()) entries.push_back(readEntry(bytes, at));
    if (entries.size() != place.entries) refuse("the entry count differs from the end record's");
    std::vector<const ZipDirectoryEntry*> all;
    for (const ZipDirectoryEntry& entry : entries) all.push_back(&entry);
    checkPlacement(std::move(all), place.offset);
    return entries;
}
