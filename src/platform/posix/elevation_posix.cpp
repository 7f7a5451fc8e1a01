#include <spawn.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

#include "platform/elevation.h"
#include "platform/last_error.h"
#include "platform/posix/errno_error.h"

extern char** environ;

namespace platform {
namespace {

std::string findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

}  // namespace

bool isElevated() {
    return ::geteuid() == 0;
}

bool elevationPromptAvailable() {
    return !findOnPath("pkexec").empty();
}

bool startElevated(const std::string& program, const std::vector<std::string>& arguments) {
    const std::string pkexec = findOnPath("pkexec");
    if (pkexec.empty()) {
        setLastError(kErrorFileNotFound);
        return false;
    }
    // Each argument goes to the elevated copy as one argv element, unchanged.
    std::vector<std::string> owned{pkexec, program};
    owned.insert(owned.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : owned) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int result = ::posix_spawn(&pid, pkexec.c_str(), nullptr, nullptr, argv.data(), environ);
    if (result != 0) {
        setLastError(win32ErrorFromErrno(result));
        return false;
    }
    return true;
}

}  // namespace platform
