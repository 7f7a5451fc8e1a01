#include "base/resource_strings.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/resource_block.h"

extern "C" const char* zorbit_resource_block_texts();

namespace {

// Copied through a volatile pointer so the compiler reads the block as stamped,
// never as it was compiled.
const platform::ResourceTexts& ownTexts() {
    static const platform::ResourceTexts texts = [] {
        const volatile char* source = zorbit_resource_block_texts();
        std::string copy(platform::kResourceBlockCapacity, '\0');
        for (size_t i = 0; i < copy.size(); ++i) copy[i] = source[i];
        return platform::parseResourceTexts(copy.data(), copy.size());
    }();
    return texts;
}

// Texts put in place by tests.
std::mutex overridesLock;
std::map<std::string, std::string>& overrides() {
    static auto* const texts = new std::map<std::string, std::string>;
    return *texts;
}

}  // namespace

std::string resourceString(const std::string& id) {
    {
        std::lock_guard guard(overridesLock);
        auto found = overrides().find(id);
        if (found != overrides().end()) return found->second;
    }
    const auto& texts = ownTexts();
    auto it = texts.find(id);
    return it == texts.end() ? std::string() : it->second;
}

std::string moduleFileVersion() {
    return dottedVersion(resourceString(resource_id::kFileVersion));
}

std::string dottedVersion(const std::string& versionText) {
    std::string dotted;
    std::string token;
    auto flush = [&] {
        if (token.empty()) return;
        if (!dotted.empty()) dotted += '.';
        dotted += token;
        token.clear();
    };
    for (char c : versionText) {
        if (c == ' ' || c == ',' || c == '.') {
            flush();
        } else {
            token += c;
        }
    }
    flush();
    return dotted;
}

namespace resource_testing {

void setString(const std::string& id, const std::string& value) {
    std::lock_guard guard(overridesLock);
    if (value.empty()) {
        overrides().erase(id);
    } else {
        overrides()[id] = value;
    }
}

}  // namespace resource_testing
