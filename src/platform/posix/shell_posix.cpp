#include <spawn.h>

#include <string>

#include "platform/last_error.h"
#include "platform/shell.h"

extern char** environ;

namespace platform {

bool openUrl(const std::string& url) {
    std::string program = "xdg-open";
    std::string target = url;
    char* argv[] = {program.data(), target.data(), nullptr};
    pid_t pid = 0;
    const int result = ::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ);
    if (result != 0) {
        setLastError(win32ErrorFromErrno(result));
        return false;
    }
    return true;
}

}  // namespace platform
