#include <pwd.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/known_folders.h"
#include "platform/posix/invoking_user.h"
#include "platform/posix/xdg_folders.h"
#include "platform/user_account.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

// Entries that changed before the process started are not its own.
const time_t processStart = ::time(nullptr) - 1;

std::optional<passwd> accountOf(uid_t uid, std::vector<char>& buffer) {
    passwd entry{};
    passwd* found = nullptr;
    buffer.resize(16384);
    if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) != 0 || !found)
        return std::nullopt;
    return entry;
}

// PKEXEC_UID or SUDO_UID, when it names an account other than root.
std::optional<uid_t> elevatingUid() {
    for (const char* name : {"PKEXEC_UID", "SUDO_UID"}) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        char* end = nullptr;
        const unsigned long uid = std::strtoul(value, &end, 10);
        if (*end == '\0' && uid != 0 && uid < 0xFFFFFFFFul) return static_cast<uid_t>(uid);
    }
    return std::nullopt;
}

bool madeByThisProcess(const struct stat& info) {
    return info.st_uid == 0 && info.st_ctime >= processStart;
}

bool isInside(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           path[folder.size()] == '/';
}

void handOver(const std::string& path, const InvokingUser& user) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && madeByThisProcess(info))
        ::lchown(path.c_str(), user.uid, user.gid);
}

// The folder's tree (links are not followed) and the folders between it and
// the area of the user's that holds it.
void handOverTree(std::string folder, const std::string& area, const InvokingUser& user) {
    folder = posix::withoutTrailingSeparators(folder);
    if (!isInside(folder, area)) return;
    std::error_code error;
    for (fs::recursive_directory_iterator
             it(folder, fs::directory_options::skip_permission_denied, error),
         end;
         !error && it != end; it.increment(error))
        handOver(it->path().string(), user);
    for (std::string path = folder; isInside(path, area);
         path = fs::path(path).parent_path().string())
        handOver(path, user);
}

}  // namespace

std::string userName() {
    std::vector<char> buffer;
    const auto account = accountOf(::geteuid(), buffer);
    return account && account->pw_name ? std::string(account->pw_name) : std::string();
}

std::optional<InvokingUser> invokingUser() {
    if (::geteuid() != 0) return std::nullopt;
    const auto uid = elevatingUid();
    if (!uid) return std::nullopt;
    std::vector<char> buffer;
    const auto account = accountOf(*uid, buffer);
    if (!account || !account->pw_dir || account->pw_dir[0] != '/') return std::nullopt;
    return InvokingUser{account->pw_uid, account->pw_gid,
                        posix::withoutTrailingSeparators(account->pw_dir)};
}

void handCreatedFilesToInvokingUser() {
    auto user = invokingUser();
    if (!user) return;
    try {
        // A run that keeps the user's HOME (sudo -E) writes there instead.
        const std::string home = homeFolder();
        // The runtime folder of an elevated run is never the user's session
        // folder (that one is refused), but may fall back into the cache.
        for (const std::string& folder :
             {knownFolderPath(KnownFolder::RoamingAppData),
              knownFolderPath(KnownFolder::LocalAppData), knownFolderPath(KnownFolder::Desktop),
              posix::xdgFolder("XDG_CACHE_HOME", ".cache") + "/zorbit", tempFolder()})
            handOverTree(folder, home, *user);
    } catch (const std::exception&) {
        // Without a home there is nothing of the user's to give back.
    }
}

}  // namespace platform
