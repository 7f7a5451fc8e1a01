// Shared libraries on POSIX: the dynamic loader's own calls.
#include "support/shared_library.h"

#include <dlfcn.h>

std::unique_ptr<SharedLibrary> SharedLibrary::load(const std::string& path, std::string& error) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        error = ::dlerror();
        return nullptr;
    }
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(handle));
}

SharedLibrary::~SharedLibrary() {
    ::dlclose(handle_);
}

void* SharedLibrary::symbol(const char* name) const {
    return ::dlsym(handle_, name);
}
