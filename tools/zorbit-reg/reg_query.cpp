// zorbit-reg query: a key, its values and its subkeys.
#include <iostream>

#include "reg_tool.h"

namespace {

using platform::RegistryKey;

void printValue(const std::string& name, uint32_t type, const std::vector<uint8_t>& data) {
    std::cout << "    " << (name.empty() ? "(Default)" : name) << "    " << typeName(type) << "    "
              << displayData(type, data) << "\n";
}

void printValues(const RegistryKey& key) {
    std::string name;
    for (uint32_t index = 0; key.enumValue(index, name) == platform::kErrorSuccess; ++index) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (key.queryValue(name, type, data) == platform::kErrorSuccess)
            printValue(name, type, data);
    }
}

std::vector<std::string> subkeys(const RegistryKey& key) {
    std::vector<std::string> names;
    std::string name;
    for (uint32_t index = 0; key.enumKey(index, name) == platform::kErrorSuccess; ++index)
        names.push_back(name);
    return names;
}

std::string childPath(const std::string& path, const std::string& name) {
    return path.empty() ? name : path + "\\" + name;
}

// Recursive listing; with a value name only the keys that hold it are shown.
int queryTree(const RegOptions& options, const RegistryKey& key, const std::string& path) {
    int matches = 0;
    if (!options.valueName) {
        std::cout << "\n" << keyDisplayName(options, path) << "\n";
        printValues(key);
    } else {
        std::uint32_t type = 0;
        std::vector<uint8_t> data;
        if (key.queryValue(*options.valueName, type, data) == platform::kErrorSuccess) {
            std::cout << "\n" << keyDisplayName(options, path) << "\n";
            printValue(*options.valueName, type, data);
            ++matches;
        }
    }
    for (const std::string& name : subkeys(key)) {
        std::unique_ptr<RegistryKey> child;
        if (key.openKey(name, platform::kKeyRead, child) != platform::kErrorSuccess) continue;
        matches += queryTree(options, *child, childPath(path, name));
    }
    return matches;
}

}  // namespace

int runQuery(const RegOptions& options) {
    std::unique_ptr<RegistryKey> key;
    check(RegistryKey::root(options.hive).openKey(options.keyPath, platform::kKeyRead, key));
    if (options.recurse) {
        const int matches = queryTree(options, *key, options.keyPath);
        if (options.valueName) {
            std::cout << "End of search: " << matches << " match(es) found.\n";
            return matches ? 0 : 1;
        }
        return 0;
    }
    if (options.valueName) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        check(key->queryValue(*options.valueName, type, data));
        std::cout << "\n" << keyDisplayName(options, options.keyPath) << "\n";
        printValue(*options.valueName, type, data);
        return 0;
    }
    std::cout << "\n" << keyDisplayName(options, options.keyPath) << "\n";
    printValues(*key);
    const auto names = subkeys(*key);
    if (!names.empty()) std::cout << "\n";
    for (const std::string& name : names)
        std::cout << keyDisplayName(options, childPath(options.keyPath, name)) << "\n";
    return 0;
}
