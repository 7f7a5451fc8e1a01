// zorbit-reg add and delete.
#include <iostream>

#include "reg_tool.h"

namespace {

using platform::RegistryKey;

const char* const kDone = "The operation completed successfully.";
const char* const kCancelled = "The operation was cancelled by the user.";

bool valueExists(const RegistryKey& key, const std::string& name) {
    return key.queryValue(name, nullptr, nullptr, nullptr) == platform::kErrorSuccess;
}

std::string shownName(const std::string& name) {
    return name.empty() ? "(Default)" : name;
}

int deleteAllValues(const RegistryKey& key) {
    std::string name;
    // Deleting shifts the indexes: always take the first.
    while (key.enumValue(0, name) == platform::kErrorSuccess) check(key.deleteValue(name));
    return 0;
}

}  // namespace

int runAdd(const RegOptions& options) {
    uint32_t type = 0;
    if (!parseTypeName(options.type, type)) throw RegToolError{"Invalid syntax."};
    if (options.keyPath.empty()) throw RegToolError{"Invalid key name."};
    std::unique_ptr<RegistryKey> key;
    check(RegistryKey::root(options.hive).createKey(options.keyPath, platform::kKeyReadWrite, key));
    if (options.valueName) {
        const std::string& name = *options.valueName;
        if (!options.force && valueExists(*key, name) &&
            !confirm("Value " + shownName(name) + " exists, overwrite(Yes/No)?")) {
            std::cout << kCancelled << "\n";
            return 1;
        }
        const std::vector<uint8_t> data = encodeData(type, options.data.value_or(""));
        check(key->setValue(name, type, data.data(), data.size()));
    } else if (options.data) {
        // Data without /v goes to the default value, as the system's tool does.
        const std::vector<uint8_t> data = encodeData(type, *options.data);
        check(key->setValue("", type, data.data(), data.size()));
    }
    std::cout << kDone << "\n";
    return 0;
}

int runDelete(const RegOptions& options) {
    const RegistryKey& root = RegistryKey::root(options.hive);
    if (!options.valueName && !options.allValues) {
        if (options.keyPath.empty()) throw RegToolError{"Invalid key name."};
        std::unique_ptr<RegistryKey> key;
        check(root.openKey(options.keyPath, platform::kKeyRead, key));
        if (!options.force &&
            !confirm("Permanently delete the registry key " + key->fullName() + " (Yes/No)?")) {
            std::cout << kCancelled << "\n";
            return 1;
        }
        check(root.deleteTree(options.keyPath));
        std::cout << kDone << "\n";
        return 0;
    }
    std::unique_ptr<RegistryKey> key;
    check(root.openKey(options.keyPath, platform::kKeyReadWrite, key));
    if (!options.allValues && !valueExists(*key, *options.valueName))
        check(platform::kErrorFileNotFound);
    const std::string question = options.allValues
                                     ? "Delete all values under the registry key " + key->fullName()
                                     : "Delete the registry value " + shownName(*options.valueName);
    if (!options.force && !confirm(question + " (Yes/No)?")) {
        std::cout << kCancelled << "\n";
        return 1;
    }
    if (options.allValues) {
        deleteAllValues(*key);
    } else {
        check(key->deleteValue(*options.valueName));
    }
    std::cout << kDone << "\n";
    return 0;
}
