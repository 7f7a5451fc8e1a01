#include "system/registry_operations.h"

#include <stdexcept>

#include "base/errors.h"
#include "base/format.h"
#include "base/logger.h"
#include "platform/last_error.h"

using platform::RegistryHive;
using platform::RegistryKey;

RegistryHive installRoot(bool perUser) {
    return perUser ? RegistryHive::CurrentUser : RegistryHive::LocalMachine;
}

const RegistryKey& installRootKey(bool perUser) {
    return RegistryKey::root(installRoot(perUser));
}

void throwIfRegistryFailed(uint32_t status, const std::string& message) {
    if (status == platform::kErrorSuccess) return;
    throwIfFailed(hresultFromWin32(status), message);
}

RegistryKeyPtr createKey(const RegistryKey& parent, const std::string& path,
                         const std::optional<std::string>& defaultText) {
    RegistryKeyPtr key;
    throwIfRegistryFailed(parent.createKey(path, platform::kKeyReadWrite, key),
                          format("Failed to create key %s", path.c_str()));
    if (defaultText) {
        throwIfRegistryFailed(key->setString("", *defaultText),
                              format("Failed to set default value for key %s to %s", path.c_str(),
                                     defaultText->c_str()));
    }
    return key;
}

RegistryKeyPtr createKey(RegistryHive hive, const std::string& path,
                         const std::optional<std::string>& defaultText) {
    return createKey(RegistryKey::root(hive), path, defaultText);
}

RegistryKeyPtr openKey(const RegistryKey& parent, const std::string& path, uint32_t access,
                       uint32_t* status) {
    RegistryKeyPtr key;
    const uint32_t opened = parent.openKey(path, access, key);
    if (status) *status = opened;
    return opened == platform::kErrorSuccess ? std::move(key) : nullptr;
}

uint32_t deleteKey(simple_logger& logger, const RegistryKey& parent, const char* path) {
    if (!path) throw std::runtime_error("Attempt to delete a null key");
    if (!*path) throw std::runtime_error("Attempt to delete an empty key");
    const uint32_t status = parent.deleteTree(path);
    if (status != platform::kErrorSuccess) {
        // The text must describe this status, not whatever failed last.
        platform::setLastError(status);
        logger.log("Failed to delete key %s %s", path, lastErrorText().c_str());
    }
    return status;
}

uint32_t deleteKeyTree(const RegistryKey& parent, const std::string& path) {
    return parent.deleteTree(path);
}

uint32_t deleteSubKey(const RegistryKey& parent, const std::string& name) {
    return parent.deleteKey(name);
}

uint32_t setStringValue(const RegistryKey& key, const std::string& name,
                        const std::optional<std::string>& text, uint32_t type) {
    if (!text) return platform::kErrorInvalidData;
    return key.setString(name, *text, type);
}

bool tryReadStringValue(const RegistryKey& key, const std::string& name, size_t bufferChars,
                        std::string& text) {
    std::string read;
    if (key.queryString(name, bufferChars, read) != platform::kErrorSuccess) return false;
    text = std::move(read);
    return true;
}

std::string readStringValue(const RegistryKey& key, const std::string& name, size_t bufferChars) {
    std::string text;
    return tryReadStringValue(key, name, bufferChars, text) ? text : std::string();
}

std::string readStringValue(const RegistryKey& key, const std::string& name) {
    return readStringValue(key, name, kShortValueChars);
}

bool isComponentInstalled(bool perUser, const std::string& keyPath) {
    return openKey(installRootKey(perUser), keyPath) != nullptr;
}
