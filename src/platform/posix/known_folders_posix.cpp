#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "platform/files.h"
#include "platform/known_folders.h"
#include "platform/posix/invoking_user.h"
#include "platform/posix/xdg_folders.h"
#include "platform/user_account.h"

namespace platform {

const char kPathSeparator = '/';

namespace posix {

std::string withoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string xdgFolder(const char* variable, const char* fallbackUnderHome) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') return withoutTrailingSeparators(value);
    return homeFolder() + "/" + fallbackUnderHome;
}

}  // namespace posix

namespace {

using posix::xdgFolder;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string stripTrailingSeparators(std::string path) {
    return posix::withoutTrailingSeparators(std::move(path));
}

// XDG_DESKTOP_DIR from user-dirs.dirs, with $HOME expanded; ~/Desktop otherwise.
std::string desktopFolder() {
    std::ifstream dirs(xdgFolder("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DESKTOP_DIR=";
    while (std::getline(dirs, line)) {
        if (line.rfind(key, 0) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) value = homeFolder() + value.substr(5);
        if (!value.empty() && value[0] == '/') return value;
    }
    return homeFolder() + "/Desktop";
}

// Root's own home, where an elevation by pkexec or sudo leaves HOME.
bool isRootHome(const std::string& folder) {
    passwd entry{};
    passwd* root = nullptr;
    std::vector<char> buffer(16384);
    return ::getpwuid_r(0, &entry, buffer.data(), buffer.size(), &root) == 0 && root &&
           root->pw_dir && stripTrailingSeparators(root->pw_dir) == folder;
}

}  // namespace

std::string homeFolder() {
    std::string home = stripTrailingSeparators(environment("HOME"));
    // An elevated run acts for the user who elevated it, in that user's home.
    if (home.empty() || isRootHome(home))
        if (const auto user = invokingUser()) return user->home;
    if (!home.empty()) return home;
    if (const passwd* entry = ::getpwuid(::geteuid()); entry && entry->pw_dir)
        return stripTrailingSeparators(entry->pw_dir);
    throw std::runtime_error("Cannot find the home folder of the user");
}

std::string knownFolderPath(KnownFolder folder) {
    switch (folder) {
        case KnownFolder::LocalAppData:
        case KnownFolder::LocalAppDataLow:
            return stripTrailingSeparators(xdgFolder("XDG_DATA_HOME", ".local/share"));
        case KnownFolder::RoamingAppData:
            return stripTrailingSeparators(xdgFolder("XDG_CONFIG_HOME", ".config"));
        case KnownFolder::ProgramData:
            return "/var/lib";
        case KnownFolder::ProgramFilesX86:
            return "/opt";
        case KnownFolder::Programs:
            return stripTrailingSeparators(xdgFolder("XDG_DATA_HOME", ".local/share")) +
                   "/applications";
        case KnownFolder::CommonPrograms:
            return "/usr/local/share/applications";
        case KnownFolder::Desktop:
            return stripTrailingSeparators(desktopFolder());
    }
    throw std::runtime_error("Unknown folder kind");
}

// The user's TMPDIR when no one else may write in it; in a shared one such as
// /tmp, a folder of the user's own; else one under the cache folder.
std::string tempFolder() {
    const std::string given = stripTrailingSeparators(environment("TMPDIR"));
    if (!given.empty() && given[0] == '/') {
        struct stat info {};
        const bool missing = ::stat(given.c_str(), &info) != 0 && errno == ENOENT;
        if (missing ? makeOwnerOnlyFolder(given) : isFolderOfThisUser(given)) return given + "/";
        const std::string own = given + "/zorbit-" + std::to_string(::geteuid());
        if (makeOwnerOnlyFolder(own)) return own + "/";
    }
    try {
        const std::string cache = xdgFolder("XDG_CACHE_HOME", ".cache") + "/zorbit/tmp";
        if (makeOwnerOnlyFolder(cache)) return cache + "/";
    } catch (const std::exception&) {
    }
    return {};
}

}  // namespace platform
