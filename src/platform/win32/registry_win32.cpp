// Registry keys over the Win32 registry, always in the 32-bit view: the
// launcher's keys are where a 32-bit program finds them. Strings cross as
// UTF-16 in the registry and as UTF-8 at the core's side.
#include <windows.h>

#include <cstring>

#include "platform/last_error.h"
#include "platform/registry.h"
#include "platform/win32/wide_text.h"

namespace platform {

// Made in place, never copied: the handle closes its key.
struct RegistryKey::Handle {
    Handle(HKEY opened, bool closes) : key(opened), owned(closes) {}
    ~Handle() {
        if (owned) RegCloseKey(key);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HKEY key;
    bool owned;  // the predefined hive handles are never closed
};

namespace {

using win32::toUtf8;
using win32::toWide;

constexpr REGSAM kView = KEY_WOW64_32KEY;
// What RegDeleteTreeW needs of the key it empties.
constexpr REGSAM kTreeDeleteAccess =
    DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE;

REGSAM desiredAccess(uint32_t access) {
    REGSAM sam = kView;
    if (access & kKeyRead) sam |= KEY_READ;
    if (access & kKeyWrite) sam |= KEY_WRITE;
    return sam;
}

// False when a name of the sub-path is empty or too long (an empty sub-path
// means the key itself).
bool validSubPath(const std::string& subPath) {
    if (subPath.empty()) return true;
    size_t start = 0;
    while (true) {
        const size_t end = subPath.find('\\', start);
        const size_t length = (end == std::string::npos ? subPath.size() : end) - start;
        if (length == 0 || length > kMaxKeyNameLength) return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

bool validValueName(const std::string& name) {
    return name.size() <= kMaxValueNameLength;
}

bool isStringType(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

// UTF-8 bytes (terminating NULs included) as the UTF-16 bytes the registry keeps.
std::vector<uint8_t> wideBytes(const void* data, size_t bytes) {
    const std::wstring wide = toWide(std::string(static_cast<const char*>(data), bytes));
    const auto* first = reinterpret_cast<const uint8_t*>(wide.data());
    return std::vector<uint8_t>(first, first + wide.size() * sizeof(wchar_t));
}

// The registry's UTF-16 bytes as UTF-8 (an odd last byte is dropped).
std::vector<uint8_t> utf8Bytes(const std::vector<uint8_t>& data) {
    std::wstring wide(data.size() / sizeof(wchar_t), L'\0');
    if (!wide.empty()) std::memcpy(wide.data(), data.data(), wide.size() * sizeof(wchar_t));
    const std::string text = toUtf8(wide);
    return std::vector<uint8_t>(text.begin(), text.end());
}

// The whole raw value; the size may grow between the calls, so ask again.
uint32_t readRawValue(HKEY key, const std::wstring& name, DWORD& type, std::vector<uint8_t>& data) {
    while (true) {
        DWORD bytes = 0;
        LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &bytes);
        if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
        data.assign(bytes, 0);
        status = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &bytes);
        if (status == ERROR_MORE_DATA) continue;
        if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
        data.resize(bytes);
        return kErrorSuccess;
    }
}

}  // namespace

const RegistryKey& RegistryKey::root(RegistryHive hive) {
    static const RegistryKey currentUser(RegistryHive::CurrentUser, "", kKeyReadWrite,
                                         std::make_unique<Handle>(HKEY_CURRENT_USER, false));
    static const RegistryKey localMachine(RegistryHive::LocalMachine, "", kKeyReadWrite,
                                          std::make_unique<Handle>(HKEY_LOCAL_MACHINE, false));
    return hive == RegistryHive::CurrentUser ? currentUser : localMachine;
}

RegistryKey::RegistryKey(RegistryHive hive, std::string path, uint32_t access,
                         std::unique_ptr<Handle> handle)
    : hive_(hive), path_(std::move(path)), access_(access), handle_(std::move(handle)) {}

RegistryKey::~RegistryKey() = default;

uint32_t RegistryKey::createKey(const std::string& subPath, uint32_t access,
                                std::unique_ptr<RegistryKey>& key, bool* created) const {
    if (!validSubPath(subPath)) return kErrorInvalidParameter;
    // A key opened for reading only needs no write to the hive when it exists.
    if (!(access & kKeyWrite) && openKey(subPath, access, key) == kErrorSuccess) {
        if (created) *created = false;
        return kErrorSuccess;
    }
    if (!(access_ & kKeyWrite)) return kErrorAccessDenied;
    HKEY opened = nullptr;
    DWORD disposition = 0;
    const LSTATUS status =
        RegCreateKeyExW(handle_->key, toWide(subPath).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        desiredAccess(access), nullptr, &opened, &disposition);
    if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
    key.reset(
        new RegistryKey(hive_, childPath(subPath), access, std::make_unique<Handle>(opened, true)));
    // This key itself exists already, whatever the disposition says.
    if (created) *created = !subPath.empty() && disposition == REG_CREATED_NEW_KEY;
    return kErrorSuccess;
}

uint32_t RegistryKey::openKey(const std::string& subPath, uint32_t access,
                              std::unique_ptr<RegistryKey>& key) const {
    if (!validSubPath(subPath)) return kErrorInvalidParameter;
    HKEY opened = nullptr;
    const LSTATUS status =
        RegOpenKeyExW(handle_->key, toWide(subPath).c_str(), 0, desiredAccess(access), &opened);
    if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
    key.reset(
        new RegistryKey(hive_, childPath(subPath), access, std::make_unique<Handle>(opened, true)));
    return kErrorSuccess;
}

uint32_t RegistryKey::setValue(const std::string& name, uint32_t type, const void* data,
                               size_t bytes) const {
    if (!(access_ & kKeyWrite)) return kErrorAccessDenied;
    if (!validValueName(name) || bytes > kMaxValueDataBytes || (bytes && !data))
        return kErrorInvalidParameter;
    std::vector<uint8_t> stored;
    if (isStringType(type) && bytes)
        stored = wideBytes(data, bytes);
    else if (bytes)
        stored.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + bytes);
    return static_cast<uint32_t>(RegSetValueExW(handle_->key, toWide(name).c_str(), 0, type,
                                                stored.data(), static_cast<DWORD>(stored.size())));
}

uint32_t RegistryKey::queryValue(const std::string& name, uint32_t& type,
                                 std::vector<uint8_t>& data) const {
    if (!(access_ & kKeyRead)) return kErrorAccessDenied;
    if (!validValueName(name)) return kErrorFileNotFound;
    DWORD storedType = REG_NONE;
    std::vector<uint8_t> stored;
    if (const uint32_t status = readRawValue(handle_->key, toWide(name), storedType, stored))
        return status;
    type = storedType;
    data = isStringType(storedType) ? utf8Bytes(stored) : std::move(stored);
    return kErrorSuccess;
}

uint32_t RegistryKey::deleteValue(const std::string& name) const {
    if (!(access_ & kKeyWrite)) return kErrorAccessDenied;
    if (!validValueName(name)) return kErrorFileNotFound;
    return static_cast<uint32_t>(RegDeleteValueW(handle_->key, toWide(name).c_str()));
}

uint32_t RegistryKey::enumKey(uint32_t index, std::string& name) const {
    if (!(access_ & kKeyRead)) return kErrorAccessDenied;
    wchar_t buffer[kMaxKeyNameLength + 1];
    DWORD length = kMaxKeyNameLength + 1;
    const LSTATUS status =
        RegEnumKeyExW(handle_->key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
    name = toUtf8(buffer, length);
    return kErrorSuccess;
}

uint32_t RegistryKey::enumValue(uint32_t index, std::string& name, uint32_t* type) const {
    if (!(access_ & kKeyRead)) return kErrorAccessDenied;
    std::wstring buffer(kMaxValueNameLength + 1, L'\0');
    DWORD length = static_cast<DWORD>(buffer.size());
    DWORD found = REG_NONE;
    const LSTATUS status = RegEnumValueW(handle_->key, index, buffer.data(), &length, nullptr,
                                         &found, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
    name = toUtf8(buffer.data(), length);
    if (type) *type = found;
    return kErrorSuccess;
}

uint32_t RegistryKey::deleteKey(const std::string& subPath) const {
    if (!validSubPath(subPath) || subPath.empty()) return kErrorInvalidParameter;
    if (!(access_ & kKeyWrite)) return kErrorAccessDenied;
    // The system refuses a key with subkeys with ERROR_ACCESS_DENIED itself.
    return static_cast<uint32_t>(RegDeleteKeyExW(handle_->key, toWide(subPath).c_str(), kView, 0));
}

uint32_t RegistryKey::deleteTree(const std::string& subPath) const {
    // An empty sub-path would remove this key itself, or a whole hive: refused.
    if (!validSubPath(subPath) || subPath.empty()) return kErrorInvalidParameter;
    if (!(access_ & kKeyWrite)) return kErrorAccessDenied;
    // Opened in the 32-bit view first: RegDeleteTreeW takes no view of its own,
    // and below a hive's root it would reach the 64-bit keys.
    const std::wstring wideSubPath = toWide(subPath);
    HKEY tree = nullptr;
    LSTATUS status =
        RegOpenKeyExW(handle_->key, wideSubPath.c_str(), 0, kView | kTreeDeleteAccess, &tree);
    if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
    status = RegDeleteTreeW(tree, nullptr);
    RegCloseKey(tree);
    if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
    return static_cast<uint32_t>(RegDeleteKeyExW(handle_->key, wideSubPath.c_str(), kView, 0));
}

uint32_t RegistryKey::flush() const {
    return static_cast<uint32_t>(RegFlushKey(handle_->key));
}

}  // namespace platform
