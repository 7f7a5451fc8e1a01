// The error information a failed shared-launcher call leaves for its thread, as
// the system's error objects carry it to callers elsewhere.
#include <optional>

#include "launch/shared_launcher.h"
#include "platform/registry.h"
#include "system/registry_operations.h"

namespace SharedLauncher {
namespace {

thread_local std::optional<ErrorInfo> threadErrorInfo;

// The program id registered for the class id, as the merged classes view shows
// it: the user's registration first, then the machine's.
std::string programIdOf(const platform::Guid& classId) {
    const std::string path =
        "Software\\Classes\\CLSID\\" + platform::guidToString(classId) + "\\ProgID";
    for (platform::RegistryHive hive :
         {platform::RegistryHive::CurrentUser, platform::RegistryHive::LocalMachine}) {
        RegistryKeyPtr key = openKey(platform::RegistryKey::root(hive), path);
        if (!key) continue;
        const std::string programId = readStringValue(*key, "", kPathValueChars);
        if (!programId.empty()) return programId;
    }
    return {};
}

}  // namespace

int32_t setErrorInfo(const platform::Guid& classId, const std::string& message, int32_t hr) {
    threadErrorInfo = ErrorInfo{programIdOf(classId), message};
    return hr != 0 ? hr : kDispEException;
}

std::optional<ErrorInfo> GetErrorInfo() {
    std::optional<ErrorInfo> info = std::move(threadErrorInfo);
    threadErrorInfo.reset();
    return info;
}

}  // namespace SharedLauncher
