#pragma once
// The C runtime's failures in Win32 numbering: the OS error it met when there
// was one, else its errno mapped onto the Win32 code that means the same.

#include <cstdint>

namespace platform::win32 {

uint32_t win32ErrorFromErrno(int err);
// Clears the runtime's record of the OS error before a call.
void clearCrtError();
// Sets the last error from the runtime's failure and answers it.
uint32_t setLastErrorFromCrt();

}  // namespace platform::win32
