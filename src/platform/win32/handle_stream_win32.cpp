#include <io.h>

#include "platform/win32/crt_error.h"
#include "platform/win32/handle_stream.h"
#include "platform/win32/wide_text.h"

namespace platform::win32 {

std::FILE* streamOfHandle(HANDLE handle, int flags, const char* mode) {
    clearCrtError();
    const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (descriptor < 0) {
        setLastErrorFromCrt();
        ::CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = ::_wfdopen(descriptor, toWide(mode).c_str());
    if (!file) {
        setLastErrorFromCrt();
        ::_close(descriptor);
    }
    return file;
}

}  // namespace platform::win32
