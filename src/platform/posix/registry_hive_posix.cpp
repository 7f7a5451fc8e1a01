// Where the registry hives live on Linux, and their access rights: the user's
// hive is private to the user; the machine hive is written by root only and
// read by everyone.

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "platform/known_folders.h"
#include "platform/last_error.h"
#include "platform/posix/errno_error.h"
#include "platform/posix/registry_hive.h"
#include "platform/posix/registry_store.h"
#include "platform/registry.h"

namespace platform {
namespace {

constexpr const char* kMachineStateFolder = "/var/lib/zorbit";
constexpr const char* kHiveFileName = "registry.db";

struct HiveModes {
    mode_t folder;
    mode_t file;
};

HiveModes modesOf(RegistryHive hive) {
    if (hive == RegistryHive::CurrentUser) return {0700, 0600};
    return {0755, 0644};
}

std::string folderOf(const std::string& file) {
    const size_t slash = file.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : file.substr(0, slash);
}

// Creates the folder and missing parents; the folder itself gets exactly mode
// whatever the umask says.
uint32_t makeFolder(const std::string& folder, mode_t mode) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0) {
        return S_ISDIR(info.st_mode) ? kErrorSuccess : static_cast<uint32_t>(kErrorPathNotFound);
    }
    const std::string parent = folderOf(folder);
    if (parent != folder) {
        if (const uint32_t status = makeFolder(parent, mode)) return status;
    }
    if (::mkdir(folder.c_str(), mode) != 0 && errno != EEXIST) return setLastErrorFromErrno();
    if (::chmod(folder.c_str(), mode) != 0 && errno != EPERM) return setLastErrorFromErrno();
    return kErrorSuccess;
}

}  // namespace

std::string registryHiveFile(RegistryHive hive) {
    if (hive == RegistryHive::LocalMachine) {
        const char* overridden = std::getenv("ZORBIT_MACHINE_STATE_DIR");
        std::string folder = overridden && overridden[0] == '/' ? overridden : kMachineStateFolder;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        return folder + "/" + kHiveFileName;
    }
    try {
        return knownFolderPath(KnownFolder::RoamingAppData) + "/zorbit/" + kHiveFileName;
    } catch (const std::exception&) {
        return {};
    }
}

namespace registry_store {

bool hiveFileExists(const std::string& file) {
    struct stat info {};
    return !file.empty() && ::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool hiveWritable(RegistryHive hive) {
    std::string path = registryHiveFile(hive);
    if (path.empty()) return false;
    // A hive not made yet is writable when its nearest existing folder is.
    while (::access(path.c_str(), F_OK) != 0 && path != "/") path = folderOf(path);
    return ::access(path.c_str(), W_OK) == 0;
}

uint32_t prepareHiveFile(RegistryHive hive, const std::string& file) {
    if (file.empty()) return kErrorPathNotFound;
    if (hiveFileExists(file)) return kErrorSuccess;
    const HiveModes modes = modesOf(hive);
    if (const uint32_t status = makeFolder(folderOf(file), modes.folder)) return status;
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, modes.file);
    if (fd < 0)
        return errno == EEXIST ? static_cast<uint32_t>(kErrorSuccess) : setLastErrorFromErrno();
    // The umask must not hide the machine hive from the users who read it.
    const int changed = ::fchmod(fd, modes.file);
    const int savedErrno = errno;
    ::close(fd);
    if (changed != 0) {
        errno = savedErrno;
        return setLastErrorFromErrno();
    }
    return kErrorSuccess;
}

}  // namespace registry_store
}  // namespace platform

namespace platform::registry_store {

void installForkHandlers(void (*prepare)(), void (*parent)(), void (*child)()) {
    ::pthread_atfork(prepare, parent, child);
}

}  // namespace platform::registry_store
