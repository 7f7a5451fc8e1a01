// The value conveniences every system's key provides the same way, over the
// key's own typed reads and writes.
#include <cstring>
#include <string>
#include <vector>

#include "platform/last_error.h"
#include "platform/registry.h"

namespace platform {

uint32_t RegistryKey::setString(const std::string& name, const std::string& text,
                                uint32_t type) const {
    if (type != kRegSz && type != kRegExpandSz) return kErrorInvalidParameter;
    return setValue(name, type, text.c_str(), text.size() + 1);
}

uint32_t RegistryKey::setDword(const std::string& name, uint32_t value) const {
    uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    return setValue(name, kRegDword, bytes, sizeof bytes);
}

// Sizes are those of the UTF-8 data, as the core reads it.
uint32_t RegistryKey::queryValue(const std::string& name, uint32_t* type, void* data,
                                 uint32_t* bytes) const {
    if (data && !bytes) return kErrorInvalidParameter;
    uint32_t storedType = kRegNone;
    std::vector<uint8_t> stored;
    if (const uint32_t status = queryValue(name, storedType, stored)) return status;
    if (type) *type = storedType;
    if (!bytes) return kErrorSuccess;
    const uint32_t capacity = *bytes;
    *bytes = static_cast<uint32_t>(stored.size());
    if (!data) return kErrorSuccess;
    if (stored.size() > capacity) return kErrorMoreData;
    if (!stored.empty()) std::memcpy(data, stored.data(), stored.size());
    return kErrorSuccess;
}

uint32_t RegistryKey::queryString(const std::string& name, size_t bufferChars,
                                  std::string& text) const {
    uint32_t type = kRegNone;
    std::vector<uint8_t> data;
    if (const uint32_t status = queryValue(name, type, data)) return status;
    if (type != kRegSz && type != kRegExpandSz) return kErrorUnsupportedType;
    if (data.empty() || data.back() != 0) return kErrorInvalidData;
    const std::string whole(data.begin(), data.end() - 1);
    if (utf16Length(whole) + 1 > bufferChars) return kErrorMoreData;
    text = whole.substr(0, whole.find('\0'));
    return kErrorSuccess;
}

}  // namespace platform
