#pragma once
// An owner-only temporary file in the per-user temporary folder that holds a
// download until it is known to be whole; removed with the object.

#include <fstream>
#include <string>

class SpoolFile {
public:
    // Throws std::runtime_error when the file cannot be made.
    SpoolFile();
    ~SpoolFile();
    SpoolFile(const SpoolFile&) = delete;
    SpoolFile& operator=(const SpoolFile&) = delete;

    std::iostream& stream() { return stream_; }
    const std::string& path() const { return path_; }
    // Appends everything written so far to output. Throws std::runtime_error
    // when output fails.
    void copyTo(std::ostream& output);

private:
    std::string path_;
    std::fstream stream_;
};
