#pragma once
// A stdio stream over a file handle the platform opened with the checks and
// rights stdio cannot ask for.

#include <windows.h>

#include <cstdio>

namespace platform::win32 {

// flags are the runtime's _O_ flags; the handle is closed on failure, and the
// last error set.
std::FILE* streamOfHandle(HANDLE handle, int flags, const char* mode);

}  // namespace platform::win32
