// Shared libraries on Windows: the loader's own calls.
#include "support/shared_library.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

std::unique_ptr<SharedLibrary> SharedLibrary::load(const std::string& path, std::string& error) {
    HMODULE module = ::LoadLibraryW(platform::win32::toWide(path).c_str());
    if (!module) {
        error = "LoadLibrary failed with error " + std::to_string(::GetLastError());
        return nullptr;
    }
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(module));
}

SharedLibrary::~SharedLibrary() {
    ::FreeLibrary(static_cast<HMODULE>(handle_));
}

void* SharedLibrary::symbol(const char* name) const {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle_), name));
}
