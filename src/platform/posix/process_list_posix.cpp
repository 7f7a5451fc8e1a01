#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

#include "platform/process_list.h"

namespace platform {
namespace {

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string executableName(uint32_t pid) {
    char target[4096];
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    const ssize_t length = ::readlink(link.c_str(), target, sizeof target - 1);
    if (length <= 0) return {};
    std::string path(target, static_cast<size_t>(length));
    const std::string deleted = " (deleted)";
    if (path.size() > deleted.size() &&
        path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
        path.resize(path.size() - deleted.size());
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A zombie has ended for every purpose but its parent's bookkeeping.
bool isZombie(uint32_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    const size_t close = text.rfind(')');
    return close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z';
}

}  // namespace

std::vector<uint32_t> findProcessesByImageName(const std::string& imageName) {
    std::vector<uint32_t> found;
    DIR* proc = ::opendir("/proc");
    if (!proc) return found;
    const uid_t me = ::geteuid();
    const uint32_t self = static_cast<uint32_t>(::getpid());
    while (dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const unsigned long pid = std::strtoul(entry->d_name, &end, 10);
        if (!end || *end != '\0' || pid == 0 || pid == self) continue;
        struct stat info {};
        const std::string folder = std::string("/proc/") + entry->d_name;
        if (::stat(folder.c_str(), &info) != 0 || info.st_uid != me) continue;
        if (equalIgnoringCase(executableName(static_cast<uint32_t>(pid)), imageName) &&
            !isZombie(static_cast<uint32_t>(pid)))
            found.push_back(static_cast<uint32_t>(pid));
    }
    ::closedir(proc);
    return found;
}

bool requestProcessClose(uint32_t processId) {
    return ::kill(static_cast<pid_t>(processId), SIGTERM) == 0;
}

bool isProcessRunning(uint32_t processId) {
    // Reap it when it is our own child, so it does not linger as a zombie.
    ::waitpid(static_cast<pid_t>(processId), nullptr, WNOHANG);
    if (::kill(static_cast<pid_t>(processId), 0) != 0 && errno == ESRCH) return false;
    return !isZombie(processId);
}

bool waitForProcessEnd(uint32_t processId, uint32_t timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (!isProcessRunning(processId)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

std::string processTitle(uint32_t processId) {
    std::ifstream comm("/proc/" + std::to_string(processId) + "/comm");
    std::string title;
    std::getline(comm, title);
    return title;
}

}  // namespace platform
