#pragma once
// What the launcher knows of the files it put in a version folder: for each,
// the CRC-32 and size of the package entry it holds and its stamp once the
// install was complete. An update takes an installed file whose stamp has
// not moved since as still holding those bytes, without reading it: writing,
// truncating or replacing a file moves its stamp, and so does anything that
// sets its time back (its change time moves).
//
// One record is kept per scope, for the version installed last. Its files
// are listed as they are put in place, and stamped, and the record written,
// once the version is complete and the earlier versions are gone: giving a
// file another name or taking one away moves its change time. (Where the
// system keeps change times in clock ticks, a write within the tick of the
// stamp goes unseen; Linux keeps them finer once they were read.)

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/file_times.h"

class FileStamps {
public:
    // Lists the file, relative to the version folder, as holding an entry
    // with this CRC-32 and size. Safe from many threads.
    void add(const std::string& relative, uint32_t crc, uint64_t size);

    // Stamps the listed files of folder (the version folder) as they are now,
    // leaving out those of another size or not found.
    void stamp(const std::string& folder);

    // What the record says of the file at path against an entry.
    struct Verdict {
        enum Kind { kUnknown, kSame, kDifferent } kind = kUnknown;
        platform::FileStamp stamp;  // the file's, unless unknown
    };
    // kSame when the file holds an entry with this CRC-32 and size, kDifferent
    // when it holds other bytes; kUnknown when the record does not know the
    // file or its stamp moved since. Safe from many threads.
    Verdict judge(const std::string& relative, const std::string& path, uint32_t crc,
                  uint64_t size) const;

    size_t size() const;

    // Writes the record of version guid over the file at path (whole or not at
    // all). False when it cannot be written.
    bool save(const std::string& path, const std::string& guid) const;
    // Takes the record at path when it is whole, of version guid and a plain
    // file of the running user's own; else the record stays empty. Not while
    // others add.
    void load(const std::string& path, const std::string& guid);

private:
    struct Known {
        uint32_t crc = 0;
        platform::FileStamp stamp;  // its size is the entry's before the file is stamped
    };

    mutable std::mutex lock_;
    std::unordered_map<std::string, Known> files_;
};

// The name of the record's file in the scope's Downloads folder.
inline constexpr const char* kFileStampsName = "FileStamps.txt";
