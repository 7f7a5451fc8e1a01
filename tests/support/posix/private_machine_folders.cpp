#include "support/private_machine_folders.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <string>

namespace {

constexpr int kUnsupported = 77;
const char* const kMachineFolders[] = {"/opt", "/usr/local/share"};

bool writeText(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY);
    if (fd < 0) return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

// Enters a mount namespace; a user who is not root becomes root of a user
// namespace first, which is allowed without privileges.
bool enterPrivateNamespace() {
    if (::geteuid() == 0) return ::unshare(CLONE_NEWNS) == 0;
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    return writeText("/proc/self/setgroups", "deny") &&
           writeText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
           writeText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
}

bool mountPrivateFolders() {
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    for (const char* folder : kMachineFolders)
        if (::mount("zorbit-test", folder, "tmpfs", 0, "mode=0755") != 0) return false;
    return true;
}

[[noreturn]] void runChild(const std::function<void()>& body) {
    if (!enterPrivateNamespace() || !mountPrivateFolders()) ::_exit(kUnsupported);
    int code = 0;
    try {
        body();
        code = ::testing::Test::HasFailure() ? 1 : 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "unexpected exception: %s\n", e.what());
        code = 2;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(code);
}

}  // namespace

PrivateFoldersOutcome runWithPrivateMachineFolders(const std::function<void()>& body) {
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = ::fork();
    if (child < 0) return PrivateFoldersOutcome::Unsupported;
    if (child == 0) runChild(body);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return PrivateFoldersOutcome::Failed;
    if (!WIFEXITED(status)) return PrivateFoldersOutcome::Failed;
    if (WEXITSTATUS(status) == kUnsupported) return PrivateFoldersOutcome::Unsupported;
    return WEXITSTATUS(status) == 0 ? PrivateFoldersOutcome::Passed : PrivateFoldersOutcome::Failed;
}
