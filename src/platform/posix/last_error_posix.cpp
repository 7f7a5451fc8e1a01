#include <cerrno>
#include <cstring>
#include <map>

#include "platform/last_error.h"
#include "platform/posix/errno_error.h"

namespace platform {
namespace {

thread_local uint32_t lastError = kErrorSuccess;

// The Windows wording of the codes the launcher reports, so logs and boxes
// read the same on every platform.
const std::map<uint32_t, const char*>& messageTable() {
    static const std::map<uint32_t, const char*> table = {
        {kErrorSuccess, "The operation completed successfully."},
        {kErrorInvalidFunction, "Incorrect function."},
        {kErrorFileNotFound, "The system cannot find the file specified."},
        {kErrorPathNotFound, "The system cannot find the path specified."},
        {kErrorTooManyOpenFiles, "The system cannot open the file."},
        {kErrorAccessDenied, "Access is denied."},
        {kErrorInvalidHandle, "The handle is invalid."},
        {kErrorNotEnoughMemory,
         "Not enough memory resources are available to process this command."},
        {kErrorBadFormat, "An attempt was made to load a program with an incorrect format."},
        {kErrorInvalidData, "The data is invalid."},
        {kErrorOutOfMemory,
         "Not enough memory resources are available to complete this operation."},
        {kErrorNotSameDevice, "The system cannot move the file to a different disk drive."},
        {kErrorNoMoreFiles, "There are no more files."},
        {kErrorWriteProtect, "The media is write protected."},
        {kErrorSharingViolation,
         "The process cannot access the file because it is being used by another process."},
        {kErrorHandleEof, "Reached the end of the file."},
        {kErrorNotSupported, "The request is not supported."},
        {kErrorFileExists, "The file exists."},
        {kErrorInvalidParameter, "The parameter is incorrect."},
        {kErrorBrokenPipe, "The pipe has been ended."},
        {kErrorDiskFull, "There is not enough space on the disk."},
        {kErrorInsufficientBuffer, "The data area passed to a system call is too small."},
        {kErrorInvalidName, "The filename, directory name, or volume label syntax is incorrect."},
        {kErrorDirNotEmpty, "The directory is not empty."},
        {kErrorBusy, "The requested resource is in use."},
        {kErrorAlreadyExists, "Cannot create a file when that file already exists."},
        {kErrorFilenameExcedRange, "The filename or extension is too long."},
        {kErrorMoreData, "More data is available."},
        {kErrorWaitTimeout, "The wait operation timed out."},
        {kErrorNoMoreItems, "No more data is available."},
        {kErrorBadDb, "The configuration registry database is corrupt."},
        {kErrorBadKey, "The configuration registry key is invalid."},
        {kErrorRegistryIoFailed,
         "An I/O operation initiated by the registry failed unrecoverably. The registry could not "
         "read in, or write out, or flush, one of the files that contain the system's image of "
         "the registry."},
        {kErrorKeyDeleted,
         "Illegal operation attempted on a registry key that has been marked for deletion."},
        {kErrorNoAssociation,
         "No application is associated with the specified file for this operation."},
        {kErrorTimeout, "This operation returned because the timeout period expired."},
        {kErrorUnsupportedType, "Data of this type is not supported."},
    };
    return table;
}

}  // namespace

uint32_t getLastError() {
    return lastError;
}

void setLastError(uint32_t code) {
    lastError = code;
}

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
        case EDQUOT:
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

// Here the system's errors and the generic ones are both errno values.
uint32_t win32ErrorFromErrorCode(const std::error_code& error) {
    return win32ErrorFromErrno(error.value());
}

uint32_t setLastErrorFromErrno() {
    lastError = win32ErrorFromErrno(errno);
    return lastError;
}

std::string systemErrorMessage(int32_t hresult) {
    const uint32_t hr = static_cast<uint32_t>(hresult);
    uint32_t code;
    if (hr == 0) {
        code = 0;
    } else if ((hr & 0xFFFF0000u) == 0x80070000u) {
        code = hr & 0xFFFFu;
    } else {
        return {};
    }
    const auto& table = messageTable();
    auto it = table.find(code);
    return it == table.end() ? std::string() : std::string(it->second);
}

}  // namespace platform
