#pragma once
// The calling thread's last system error, in Win32 numbering, as the launcher's
// checks, HRESULTs and texts expect it on every platform.

#include <cstdint>
#include <string>
#include <system_error>

namespace platform {

enum Win32Error : uint32_t {
    kErrorSuccess = 0,
    kErrorInvalidFunction = 1,
    kErrorFileNotFound = 2,
    kErrorPathNotFound = 3,
    kErrorTooManyOpenFiles = 4,
    kErrorAccessDenied = 5,
    kErrorInvalidHandle = 6,
    kErrorNotEnoughMemory = 8,
    kErrorBadFormat = 11,
    kErrorInvalidData = 13,
    kErrorOutOfMemory = 14,
    kErrorNotSameDevice = 17,
    kErrorNoMoreFiles = 18,
    kErrorWriteProtect = 19,
    kErrorSharingViolation = 32,
    kErrorHandleEof = 38,
    kErrorNotSupported = 50,
    kErrorFileExists = 80,
    kErrorInvalidParameter = 87,
    kErrorBrokenPipe = 109,
    kErrorDiskFull = 112,
    kErrorInsufficientBuffer = 122,
    kErrorInvalidName = 123,
    kErrorDirNotEmpty = 145,
    kErrorBusy = 170,
    kErrorAlreadyExists = 183,
    kErrorFilenameExcedRange = 206,
    kErrorMoreData = 234,
    kErrorWaitTimeout = 258,
    kErrorNoMoreItems = 259,
    kErrorBadDb = 1009,
    kErrorBadKey = 1010,
    kErrorRegistryIoFailed = 1016,
    kErrorKeyDeleted = 1018,
    kErrorNoAssociation = 1155,
    kErrorTimeout = 1460,
    kErrorUnsupportedType = 1630,
};

uint32_t getLastError();
void setLastError(uint32_t code);

// Maps an error the standard library reports (e.g. from <filesystem>) onto the
// Win32 code that means the same; each OS knows what its errors hold.
uint32_t win32ErrorFromErrorCode(const std::error_code& error);

// The system's message text for an HRESULT, without trailing line breaks;
// empty when the system has no text for it.
std::string systemErrorMessage(int32_t hresult);

}  // namespace platform
