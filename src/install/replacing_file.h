#pragma once
// A file written under a temporary name beside its target and renamed over it
// once complete: readers, a second writer of the same file and a process killed
// part-way never see a half-written or mixed file.

#include <cstdint>
#include <cstdio>
#include <string>

class ReplacingFile {
public:
    // Creates the temporary file in the target's folder. Throws
    // std::runtime_error "failed CreateFile: <system text>" when it cannot.
    explicit ReplacingFile(const std::string& target);
    // Removes the temporary file unless it was committed.
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Throws "WriteFile error: <system text>" when the bytes cannot be written.
    void write(const void* data, size_t size);
    // Closes the temporary file; throws "WriteFile error" when buffered bytes
    // cannot be stored.
    void close();
    // Renames the closed file over the target. False, with the last error set,
    // when the target cannot be replaced (the temporary file is then removed).
    bool commit();

    const std::string& temporaryPath() const { return temporary_; }
    const std::string& target() const { return target_; }

private:
    std::string target_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

// Puts existing's file at target as a second name of it (a hard link),
// replacing what target was whole, as commit does. False, with nothing
// changed, when the file system cannot link the two or target's folder is
// missing.
bool replaceWithLink(const std::string& existing, const std::string& target);

// Removes, from the folder and its subfolders, the temporary files of writers
// that were killed before they committed. Only for a folder no other writer is
// using at the time.
void removeReplacingFileLeftovers(const std::string& folder);
