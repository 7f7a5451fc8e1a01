#include <windows.h>

#include <cerrno>
#include <cstdlib>

#include "platform/last_error.h"
#include "platform/win32/crt_error.h"

namespace platform::win32 {

uint32_t win32ErrorFromErrno(int err) {
    switch (err) {
        case 0:
            return kErrorSuccess;
        case ENOENT:
            return kErrorFileNotFound;
        case ENOTDIR:
            return kErrorPathNotFound;
        case EACCES:
        case EPERM:
        case EISDIR:
            return kErrorAccessDenied;
        case EBADF:
            return kErrorInvalidHandle;
        case ENOMEM:
            return kErrorNotEnoughMemory;
        case ENOEXEC:
            return kErrorBadFormat;
        case EXDEV:
            return kErrorNotSameDevice;
        case EROFS:
            return kErrorWriteProtect;
        case ETXTBSY:
        case EBUSY:
            return kErrorBusy;
        case EEXIST:
            return kErrorAlreadyExists;
        case EINVAL:
            return kErrorInvalidParameter;
        case EPIPE:
            return kErrorBrokenPipe;
        case ENOSPC:
            return kErrorDiskFull;
        case ENAMETOOLONG:
            return kErrorFilenameExcedRange;
        case ENOTEMPTY:
            return kErrorDirNotEmpty;
        case EMFILE:
        case ENFILE:
            return kErrorTooManyOpenFiles;
        case ETIMEDOUT:
            return kErrorTimeout;
        case ENOSYS:
        case EOPNOTSUPP:
            return kErrorNotSupported;
        default:
            return kErrorInvalidFunction;
    }
}

void clearCrtError() {
    errno = 0;
    _doserrno = 0;
}

uint32_t setLastErrorFromCrt() {
    // _doserrno holds the Win32 error behind a failed file call; errno alone
    // is all there is for a failure the runtime found itself (a bad mode).
    const unsigned long native = _doserrno;
    const uint32_t code = native != 0 ? static_cast<uint32_t>(native) : win32ErrorFromErrno(errno);
    ::SetLastError(code);
    return code;
}

}  // namespace platform::win32
