#include "install/zip_entry_name.h"

#include "platform/known_folders.h"

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
