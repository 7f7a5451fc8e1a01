#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "platform/win32/wide_text.h"
#include "win_helper.h"

namespace {

// The shared game launcher's C entry point, as other programs declare it.
using StartGame = int32_t (*)(const char* ticket, const char* authenticationUrl,
                              const char* scriptUrl, const void* classId, int silent,
                              const char* readyEventName, int hidden, const char* showEventName,
                              int32_t launchMode, char* errorDescription,
                              size_t errorDescriptionSize);

}  // namespace

int startGameFromLibrary(const std::string& library, const std::vector<std::string>& arguments) {
    HMODULE module = ::LoadLibraryW(platform::win32::toWide(library).c_str());
    if (!module) {
        std::fprintf(stderr, "cannot load %s: error %lu\n", library.c_str(), ::GetLastError());
        return 1;
    }
    // Through a pointer of no type, as GetProcAddress's callers must.
    auto start = reinterpret_cast<StartGame>(
        reinterpret_cast<void*>(::GetProcAddress(module, "ZorbitSharedLauncher_StartGame")));
    if (!start) {
        std::fprintf(stderr, "%s exports no ZorbitSharedLauncher_StartGame\n", library.c_str());
        return 1;
    }
    char description[512] = "";
    const int32_t result =
        start(arguments[0].c_str(), arguments[1].c_str(), arguments[2].c_str(), nullptr, 1,
              arguments[3].c_str(), 0, nullptr, 0, description, sizeof description);
    std::printf("%08lx %s\n", static_cast<unsigned long>(result), description);
    return result == 0 ? 0 : 3;
}
