#pragma once
// The run's log: one plain-text file per run in the per-user temporary folder,
// each line stamped with UTC time and flushed at once.

#include <cstdio>
#include <mutex>
#include <string>

#include "base/format.h"

class simple_logger {
public:
    // Opens a new log file named by getTempFileName(extension). Throws
    // std::runtime_error when there is no temporary folder; a file that cannot be
    // opened is not reported and the lines written to it are lost.
    explicit simple_logger(const std::string& extension = "log");
    ~simple_logger();
    simple_logger(const simple_logger&) = delete;
    simple_logger& operator=(const simple_logger&) = delete;

    void log(const char* fmt, ...) ZORBIT_PRINTF_LIKE(2, 3);
    // Time stamp, text and line feed as one line; lines of several threads never mix.
    void writeLine(const std::string& text);

    const std::string& fileName() const { return fileName_; }

    // "<temporary folder>ZBT-XXXXXXXX.<extension>", X from a new GUID's first field.
    static std::string getTempFileName(const std::string& extension);
    // "MM-DD-YYYY hh:mm:ss.m " for a UTC instant in milliseconds since 1970.
    static std::string timeStamp(int64_t millisecondsSinceEpoch);

private:
    std::string fileName_;
    std::FILE* stream_ = nullptr;
    std::mutex lock_;
};
