// Names in the registry: hives, key and value names, key paths. The same on
// every OS, so a key reports its name alike whoever stores it.

#include <string>

#include "platform/registry.h"

namespace platform {

bool namesEqual(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

const char* hiveName(RegistryHive hive) {
    return hive == RegistryHive::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

const char* hiveShortName(RegistryHive hive) {
    return hive == RegistryHive::CurrentUser ? "HKCU" : "HKLM";
}

bool parseHiveName(const std::string& text, RegistryHive& hive) {
    for (RegistryHive candidate : {RegistryHive::CurrentUser, RegistryHive::LocalMachine}) {
        if (namesEqual(text, hiveName(candidate)) || namesEqual(text, hiveShortName(candidate))) {
            hive = candidate;
            return true;
        }
    }
    return false;
}

size_t utf16Length(const std::string& text) {
    size_t units = 0;
    for (unsigned char byte : text) {
        if ((byte & 0xC0) != 0x80) ++units;  // each character starts once
        if (byte >= 0xF0) ++units;           // beyond the basic plane: a surrogate pair
    }
    return units;
}

std::string RegistryKey::fullName() const {
    return path_.empty() ? hiveName(hive_) : std::string(hiveName(hive_)) + "\\" + path_;
}

std::string RegistryKey::childPath(const std::string& subPath) const {
    if (subPath.empty()) return path_;
    return path_.empty() ? subPath : path_ + "\\" + subPath;
}

}  // namespace platform
