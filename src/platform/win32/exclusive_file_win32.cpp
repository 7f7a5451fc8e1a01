#include <fcntl.h>
#include <windows.h>

#include <cerrno>

#include "platform/exclusive_file.h"
#include "platform/last_error.h"
#include "platform/win32/crt_error.h"
#include "platform/win32/handle_stream.h"
#include "platform/win32/wide_text.h"

namespace platform {

// CREATE_NEW fails on any name already there, a link included, without
// opening it.
std::FILE* createExclusiveFile(const std::string& path) {
    const HANDLE file =
        ::CreateFileW(win32::toWide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (::GetLastError() == ERROR_FILE_EXISTS) setLastError(kErrorAlreadyExists);
        return nullptr;
    }
    return win32::streamOfHandle(file, _O_WRONLY | _O_BINARY, "wb");
}

bool writeWhole(std::FILE* file, const void* data, size_t size) {
    win32::clearCrtError();
    if (std::fwrite(data, 1, size, file) == size) return true;
    win32::setLastErrorFromCrt();
    return false;
}

bool closeWrittenFile(std::FILE* file) {
    win32::clearCrtError();
    if (std::fclose(file) == 0) return true;
    win32::setLastErrorFromCrt();
    return false;
}

}  // namespace platform
