#pragma once
// The key operations every part of the launcher uses on the registry. Writes
// check their status and raise with the step's message; deletions only log or
// answer their status; reads answer empty text when nothing can be read.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/registry.h"

class simple_logger;

using RegistryKeyPtr = std::unique_ptr<platform::RegistryKey>;

// Reader buffers, in wide characters with the terminating NUL: a longer value
// is not read.
constexpr size_t kShortValueChars = 64;           // readStringValue
constexpr size_t kPathValueChars = 260;           // paths, numbered versions, "CPath"
constexpr size_t kBrowserVersionChars = 256;      // the browser's "Version"
constexpr size_t kUninstallStringChars = 512;     // the earlier Studio's "UninstallString"
constexpr size_t kSharedLauncherPathChars = 261;  // the shared game launcher's default value

// The install root: HKEY_CURRENT_USER per user, HKEY_LOCAL_MACHINE for all users.
platform::RegistryHive installRoot(bool perUser);
const platform::RegistryKey& installRootKey(bool perUser);

// Creates or opens parent\path read-write. With a default text, stores it as the
// key's default value (REG_SZ). Raises std::runtime_error "Failed to create key
// <path>: <system text>" or "Failed to set default value for key <path> to
// <text>: <system text>".
RegistryKeyPtr createKey(const platform::RegistryKey& parent, const std::string& path,
                         const std::optional<std::string>& defaultText = std::nullopt);
RegistryKeyPtr createKey(platform::RegistryHive hive, const std::string& path,
                         const std::optional<std::string>& defaultText = std::nullopt);

// Opens parent\path; nullptr when it does not open (the status in *status).
RegistryKeyPtr openKey(const platform::RegistryKey& parent, const std::string& path,
                       uint32_t access = platform::kKeyRead, uint32_t* status = nullptr);

// Deletes parent\path with all its subkeys and values. A null path raises
// "Attempt to delete a null key", an empty one "Attempt to delete an empty key";
// a failure is logged as "Failed to delete key <path> <text>" and answered.
uint32_t deleteKey(simple_logger& logger, const platform::RegistryKey& parent, const char* path);
inline uint32_t deleteKey(simple_logger& logger, const platform::RegistryKey& parent,
                          const std::string& path) {
    return deleteKey(logger, parent, path.c_str());
}
// The same removal without checks or logging.
uint32_t deleteKeyTree(const platform::RegistryKey& parent, const std::string& path);
// Deletes one key that has no subkeys.
uint32_t deleteSubKey(const platform::RegistryKey& parent, const std::string& name);

// Stores the text and its NUL as REG_SZ or REG_EXPAND_SZ under name ("" is the
// default value). An absent text stores nothing: ERROR_INVALID_DATA.
uint32_t setStringValue(const platform::RegistryKey& key, const std::string& name,
                        const std::optional<std::string>& text, uint32_t type = platform::kRegSz);

// The value as text when it is REG_SZ or REG_EXPAND_SZ, ends in a NUL and fits
// a buffer of bufferChars; false otherwise.
bool tryReadStringValue(const platform::RegistryKey& key, const std::string& name,
                        size_t bufferChars, std::string& text);
// The value as text (64-character buffer); empty on any failure.
std::string readStringValue(const platform::RegistryKey& key, const std::string& name);
// The value as text with the given buffer; empty on any failure.
std::string readStringValue(const platform::RegistryKey& key, const std::string& name,
                            size_t bufferChars);

// True when the key path opens for reading under the install root.
bool isComponentInstalled(bool perUser, const std::string& keyPath);

// The Win32 status as the HRESULT that throwIfFailed takes; raises with the
// message and the system's text when the status is not success.
void throwIfRegistryFailed(uint32_t status, const std::string& message);
