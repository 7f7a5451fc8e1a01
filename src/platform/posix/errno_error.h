#pragma once
// The C library's errno in the launcher's Win32 numbering: what the POSIX
// implementations set as the last error after a failed call.

#include <cstdint>

namespace platform {

// Maps a C library errno value onto the Win32 code that means the same.
uint32_t win32ErrorFromErrno(int err);
// Sets the last error from the current errno and answers it.
uint32_t setLastErrorFromErrno();

}  // namespace platform
