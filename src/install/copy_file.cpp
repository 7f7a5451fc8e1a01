#include "install/copy_file.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "base/format.h"
#include "base/logger.h"
#include "platform/files.h"

namespace {

constexpr size_t kCopyBlock = 1024 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file) std::fclose(file);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

[[noreturn]] void fail(const char* message, const std::string& path) {
    throw std::runtime_error(format(message, path.c_str()));
}

// The source's size, found as the copy's length check.
long long sourceSize(std::FILE* source, const std::string& path) {
    if (std::fseek(source, 0, SEEK_END) != 0)
        fail("Error with seekg to end on srcFile='%s' during copy", path);
    const long long size = std::ftell(source);
    if (size < 0) fail("Error with tellg on srcFile='%s' during copy", path);
    if (std::fseek(source, 0, SEEK_SET) != 0)
        fail("Error with seekg to beginning on srcFile='%s' during copy", path);
    return size;
}

}  // namespace

void copyFile(simple_logger& logger, const std::string& source, const std::string& destination) {
    logger.log("Bootstrapper::copyFile src = %s, dst = %s", source.c_str(), destination.c_str());
    FilePtr in(platform::openFile(source, "rb"));
    if (!in) fail("Error opening srcFile='%s' for copy", source);
    FilePtr out(platform::openFile(destination, "wb"));
    if (!out) fail("Error opening dstFile='%s' for copy", destination);
    // Our blocks are large already: write them straight through.
    std::setvbuf(in.get(), nullptr, _IONBF, 0);
    std::setvbuf(out.get(), nullptr, _IONBF, 0);

    const long long size = sourceSize(in.get(), source);
    auto block = std::make_unique<char[]>(kCopyBlock);
    long long copied = 0;
    for (;;) {
        const size_t count = std::fread(block.get(), 1, kCopyBlock, in.get());
        if (count == 0) break;
        if (std::fwrite(block.get(), 1, count, out.get()) != count)
            fail("Error writing dstFile='%s' during copy", destination);
        copied += static_cast<long long>(count);
    }
    // Fewer bytes than the size found means the source could not be read to its end.
    if (std::ferror(in.get()) || copied < size)
        fail("Error reading srcFile='%s' during copy", source);
    if (std::fclose(in.release()) != 0) fail("Error closing srcFile='%s' during copy", source);
    if (std::fclose(out.release()) != 0)
        fail("Error closing dstFile='%s' during copy", destination);
}
