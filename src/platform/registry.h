#pragma once
// The registry: hives of keys and named values, kept by each OS in its own
// way. The calls are shaped like the Win32 registry: they answer a Win32
// status code (0 success, 2 not found, 5 access denied, 234 more data, 1018
// key deleted, ...) and never throw.
//
// Key paths are backslash-separated sub-paths below a parent key; key names
// and value names compare case-insensitively (ASCII) and keep the spelling
// they were created with. The default value of a key has the empty name.
// Every write is one transaction, safe for several threads and processes.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/last_error.h"

namespace platform {

enum class RegistryHive { CurrentUser, LocalMachine };

enum RegistryValueType : uint32_t {
    kRegNone = 0,
    kRegSz = 1,
    kRegExpandSz = 2,
    kRegBinary = 3,
    kRegDword = 4,
};

enum RegistryAccess : uint32_t {
    kKeyRead = 1,
    kKeyWrite = 2,
    kKeyReadWrite = kKeyRead | kKeyWrite,
};

// Limits of names, as on Windows.
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
// Value data beyond this size is refused (ERROR_INVALID_PARAMETER).
constexpr size_t kMaxValueDataBytes = 1024 * 1024;

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE".
const char* hiveName(RegistryHive hive);
// "HKCU" or "HKLM".
const char* hiveShortName(RegistryHive hive);
// Accepts the long and the short names, in any case.
bool parseHiveName(const std::string& text, RegistryHive& hive);

// Key and value names compare this way: ASCII letters without regard to case.
bool namesEqual(const std::string& a, const std::string& b);

// Number of UTF-16 code units of UTF-8 text: the length a wide-character buffer
// needs for it (without the terminating NUL).
size_t utf16Length(const std::string& text);

// An open key: which hive, which key, with which rights. A key removed by
// someone else while open answers ERROR_KEY_DELETED to everything. The OS's
// handle of the key is closed with it.
class RegistryKey {
public:
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // The root of a hive, open for reading and writing (like the predefined
    // handles; whether a write succeeds depends on the user's rights to the hive).
    static const RegistryKey& root(RegistryHive hive);

    RegistryHive hive() const { return hive_; }
    // The key's path below its hive, in the spelling it was opened with ("" for
    // the root).
    const std::string& path() const { return path_; }
    // The hive's long name, a backslash and the path.
    std::string fullName() const;
    uint32_t access() const { return access_; }

    // Creates the key (and the missing keys above it) or opens it when it
    // exists. created tells which. An empty subPath opens this key again.
    uint32_t createKey(const std::string& subPath, uint32_t access,
                       std::unique_ptr<RegistryKey>& key, bool* created = nullptr) const;
    // Opens an existing key: ERROR_FILE_NOT_FOUND when it is missing.
    uint32_t openKey(const std::string& subPath, uint32_t access,
                     std::unique_ptr<RegistryKey>& key) const;

    uint32_t setValue(const std::string& name, uint32_t type, const void* data, size_t bytes) const;
    // A REG_SZ or REG_EXPAND_SZ value: the text and its terminating NUL.
    uint32_t setString(const std::string& name, const std::string& text,
                       uint32_t type = kRegSz) const;
    uint32_t setDword(const std::string& name, uint32_t value) const;

    // Win32-shaped query: with data null only the type and size are answered;
    // with a buffer too small for the data, ERROR_MORE_DATA and the size needed.
    uint32_t queryValue(const std::string& name, uint32_t* type, void* data, uint32_t* bytes) const;
    // The whole value.
    uint32_t queryValue(const std::string& name, uint32_t& type, std::vector<uint8_t>& data) const;
    // A string value read as into a buffer of bufferChars wide characters,
    // terminating NUL included: ERROR_MORE_DATA when the text does not fit,
    // ERROR_UNSUPPORTED_TYPE when the value is not REG_SZ or REG_EXPAND_SZ,
    // ERROR_INVALID_DATA when its data does not end in a NUL. The text stops at
    // its first NUL.
    uint32_t queryString(const std::string& name, size_t bufferChars, std::string& text) const;
    uint32_t deleteValue(const std::string& name) const;

    // The index-th subkey name in case-insensitive order, or the index-th value
    // (in the order the values were first written); ERROR_NO_MORE_ITEMS past
    // the end.
    uint32_t enumKey(uint32_t index, std::string& name) const;
    uint32_t enumValue(uint32_t index, std::string& name, uint32_t* type = nullptr) const;

    // Deletes one key that has no subkeys (ERROR_ACCESS_DENIED when it has).
    uint32_t deleteKey(const std::string& subPath) const;
    // Deletes the key with all its subkeys and values, in one transaction.
    uint32_t deleteTree(const std::string& subPath) const;
    // Makes the hive's written state durable.
    uint32_t flush() const;

private:
    // What the OS needs to reach the key; each OS defines it.
    struct Handle;

    RegistryKey(RegistryHive hive, std::string path, uint32_t access,
                std::unique_ptr<Handle> handle);
    std::string childPath(const std::string& subPath) const;

    RegistryHive hive_;
    std::string path_;
    uint32_t access_;
    std::unique_ptr<Handle> handle_;
};

}  // namespace platform
