#include "platform/posix/gtk_library.h"

#include <dlfcn.h>

namespace platform {
namespace {

const GtkLibrary* loaded = nullptr;

const GtkLibrary* load() {
    // Never closed: the toolkit keeps threads and state for the whole process.
    void* handle = ::dlopen("libgtk-3.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    static GtkLibrary library;
    bool complete = true;
#define ZORBIT_GTK_LOOKUP(name)                                                      \
    library.name = reinterpret_cast<decltype(library.name)>(::dlsym(handle, #name)); \
    complete = complete && library.name;
    ZORBIT_GTK_FUNCTIONS(ZORBIT_GTK_LOOKUP)
#undef ZORBIT_GTK_LOOKUP
    return complete ? &library : nullptr;
}

}  // namespace

const GtkLibrary* openGtkLibrary() {
    static const GtkLibrary* library = load();
    loaded = library;
    return library;
}

const GtkLibrary& gtk() {
    return *loaded;
}

}  // namespace platform
