#pragma once
// Keys and values of the registry as the store's tests read and write them.

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "platform/registry.h"

namespace registry_test {

using KeyPtr = std::unique_ptr<platform::RegistryKey>;

inline const platform::RegistryKey& user() {
    return platform::RegistryKey::root(platform::RegistryHive::CurrentUser);
}
inline const platform::RegistryKey& machine() {
    return platform::RegistryKey::root(platform::RegistryHive::LocalMachine);
}

inline KeyPtr create(const platform::RegistryKey& parent, const std::string& path) {
    KeyPtr key;
    EXPECT_EQ(parent.createKey(path, platform::kKeyReadWrite, key), 0u) << path;
    return key;
}

inline std::string readString(const platform::RegistryKey& key, const std::string& name,
                              size_t chars = 1024) {
    std::string text;
    const uint32_t status = key.queryString(name, chars, text);
    return status == 0 ? text : "<status " + std::to_string(status) + ">";
}

inline std::set<std::string> valueNames(const platform::RegistryKey& key) {
    std::set<std::string> names;
    std::string name;
    for (uint32_t i = 0; key.enumValue(i, name) == 0; ++i) names.insert(name);
    return names;
}

}  // namespace registry_test
