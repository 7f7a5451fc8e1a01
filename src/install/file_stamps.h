#pragma once
// What the launcher knows of the files it put in a version folder: for each,
// the CRC-32 and size of the package entry it holds and its stamp once the
// install was complete. An update takes an installed file whose stamp has
// not moved since as still holding those bytes, without reading it: writing,
// truncating or replacing a file moves its stamp, and so does anything that
// sets its time back (its change time moves).
//
// One record is kept per scope, for the version installed last. Its files
// are stamped as they are put in place, and stamped again, and the record
// written, once the version is complete and the earlier versions are gone:
// giving a file another name or taking one away moves its change time.
// (Where the system keeps change times in clock ticks, a write within the
// tick of the last stamp goes unseen; Linux keeps them finer once read.)

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/file_times.h"

class FileStamps {
public:
    // Records that the file at path, relative to the version folder, holds
    // the entry's bytes. A file that cannot be stamped is left out: it is read
    // when it is needed. Safe from many threads.
    void add(const std::string& relative, const std::string& path, uint32_t crc, uint64_t size);
    // The same for a file whose stamp was just taken.
    void add(const std::string& relative, const platform::FileStamp& stamp, uint32_t crc);

    // Leaves out every file of folder (the installed version folder) whose
    // stamp moved since it was recorded, so that what remains is known.
    void confirm(const std::string& folder);

    // What the confirmed record says of a file against an entry.
    struct Verdict {
        enum Kind { kUnknown, kSame, kDifferent } kind = kUnknown;
        platform::FileStamp stamp;  // the file's, unless unknown
    };
    // kSame when the file holds an entry with this CRC-32 and size, kDifferent
    // when it holds other bytes; kUnknown when the record does not know it.
    Verdict judge(const std::string& relative, uint32_t crc, uint64_t size) const;

    // Stamps every file again in folder (the version folder), leaving out
    // those written or replaced since they were stamped: only their change
    // time may have moved.
    void restamp(const std::string& folder);

    size_t size() const;

    // Writes the record of version guid over the file at path (whole or not at
    // all). False when it cannot be written.
    bool save(const std::string& path, const std::string& guid) const;
    // Takes the record at path when it is whole and of version guid; else the
    // record stays empty. Not while others add.
    void load(const std::string& path, const std::string& guid);

private:
    struct Known {
        uint32_t crc = 0;
        platform::FileStamp stamp;
        bool seen = false;
    };
    // Keeps the files of folder for which keep(recorded, current) holds, with
    // their current stamps; the others, and those not found, go.
    template <typename Keep>
    void keepFound(const std::string& folder, Keep keep);
    mutable std::mutex lock_;
    std::unordered_map<std::string, Known> files_;
};

// The name of the record's file in the scope's Downloads folder.
inline constexpr const char* kFileStampsName = "FileStamps.txt";
