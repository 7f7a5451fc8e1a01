#pragma once
// A scoped temporary folder for one test, removed with everything in it.

#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder's path, without a trailing separator.
    const std::string& path() const { return path_; }
    // A path inside it, in the system's own separators (name may use '/').
    std::string file(const std::string& name) const;

private:
    std::string path_;
};
