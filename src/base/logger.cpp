#include "base/logger.h"

#include <cstdarg>
#include <stdexcept>

#include "base/format.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/guid.h"
#include "platform/known_folders.h"

simple_logger::simple_logger(const std::string& extension) : fileName_(getTempFileName(extension)) {
    // Owner-only: the log can hold launch tickets.
    stream_ = platform::openOwnerOnlyFile(fileName_, "w");
}

simple_logger::~simple_logger() {
    if (stream_) std::fclose(stream_);
}

std::string simple_logger::getTempFileName(const std::string& extension) {
    const std::string folder = platform::tempFolder();
    if (folder.empty())
        throw std::runtime_error("GetTempPath in simple_logger::getTempFileName failed");
    return format("%sZBT-%08X.%s", folder.c_str(), platform::newGuid().data1, extension.c_str());
}

std::string simple_logger::timeStamp(int64_t millisecondsSinceEpoch) {
    const platform::UtcTime t = platform::toUtcTime(millisecondsSinceEpoch);
    return format("%02d-%02d-%d %02d:%02d:%02d.%d ", t.month, t.day, t.year, t.hour, t.minute,
                  t.second, t.millisecond);
}

void simple_logger::log(const char* fmt, ...) {
    va_list arguments;
    va_start(arguments, fmt);
    std::string text = vformat(fmt, arguments);
    va_end(arguments);
    writeLine(text);
}

void simple_logger::writeLine(const std::string& text) {
    if (!stream_) return;
    const std::string line = timeStamp(platform::unixTimeMilliseconds()) + text + "\n";
    std::lock_guard guard(lock_);
    std::fwrite(line.data(), 1, line.size(), stream_);
    std::fflush(stream_);
}
