#include "install/zip_entry_name.h"

#include <stdexcept>
#include <vector>

#include "base/format.h"
#include "platform/known_folders.h"

namespace {

const char kSeparator = platform::kPathSeparator;

// The parts of the name that name something, lower-cased.
std::vector<std::string> comparableParts(const std::string& name) {
    std::vector<std::string> parts;
    std::string part;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != kSeparator) {
            const char c = name[i];
            part += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
            continue;
        }
        if (!part.empty() && part != ".") parts.push_back(part);
        part.clear();
    }
    return parts;
}

[[noreturn]] void throwClash(const std::string& name, const char* what) {
    throw std::runtime_error(format("Package entry '%s' %s", name.c_str(), what));
}

}  // namespace

bool isSafeEntryName(const std::string& name) {
    if (name.empty() || name[0] == platform::kPathSeparator) return false;
    if (name.find('\0') != std::string::npos || name.find(':') != std::string::npos) return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find(platform::kPathSeparator, start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

void ZipEntryNames::claim(const std::string& name, bool isFolder) {
    const std::vector<std::string> parts = comparableParts(name);
    if (parts.empty()) return;
    std::string path;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        path += parts[i] + kSeparator;
        if (files_.count(path)) throwClash(name, "lies inside a file of the same package");
        folders_.insert(path);
    }
    path += parts.back() + kSeparator;
    if (isFolder) {
        if (files_.count(path)) throwClash(name, "names a file of the package as a folder");
        folders_.insert(path);
        return;
    }
    if (folders_.count(path)) throwClash(name, "names a folder of the package as a file");
    if (!files_.insert(path).second) throwClash(name, "appears twice in the package");
}

void ZipEntryNames::clear() {
    files_.clear();
    folders_.clear();
}
