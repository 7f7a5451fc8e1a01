#pragma once
// The temporary file one package transfer streams into: owner-only, in the
// per-user temporary folder, named by simple_logger::getTempFileName("tmp").
// Removed with the object unless kept, so a transfer that fails leaves nothing.

#include <fstream>
#include <memory>
#include <string>

class TemporaryDownload {
public:
    // Throws std::runtime_error when the file cannot be made.
    TemporaryDownload();
    ~TemporaryDownload();
    TemporaryDownload(const TemporaryDownload&) = delete;
    TemporaryDownload& operator=(const TemporaryDownload&) = delete;

    const std::string& path() const { return path_; }
    std::ofstream& stream() { return stream_; }
    // Closes the stream and cuts the file at the stream's position; throws
    // std::runtime_error "Failed to write %s" when the content could not be written.
    void close();
    // The file stays: it is the package's downloaded file now (still removed
    // when the process ends).
    void keep() { owned_ = false; }
    // Deletes the file now; false with the last error set when that fails.
    bool remove();

private:
    std::string path_;
    std::unique_ptr<char[]> buffer_;
    std::ofstream stream_;
    bool owned_ = true;
};
