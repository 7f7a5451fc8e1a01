#include "component_table.h"

#include <algorithm>
#include <cctype>

#include "install/component_table.h"

namespace zorbit::publish {
namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isLibrary(const std::string& name) {
    const std::string low = lower(name);
    auto endsWith = [&low](const std::string& suffix) {
        return low.size() >= suffix.size() &&
               low.compare(low.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    return endsWith(".so") || endsWith(".dll") || low.find(".so.") != std::string::npos;
}

size_t rootPackageOf(const std::string& name) {
    if (lower(name).rfind("redist", 0) == 0) return kRedistPackage;
    if (isLibrary(name)) return kLibrariesPackage;
    return kStudioPackage;
}

}  // namespace

const std::vector<ComponentPackage>& componentTable() {
    static const std::vector<ComponentPackage> table = [] {
        std::vector<ComponentPackage> rows;
        for (const ComponentRow& row : kStudioComponentRows)
            rows.push_back({row.package, row.folder});
        return rows;
    }();
    return table;
}

std::string buildFolderOf(size_t package) {
    std::string folder = componentTable().at(package).folder;
    std::replace(folder.begin(), folder.end(), '\\', '/');
    if (!folder.empty()) folder.pop_back();
    return folder;
}

size_t packageOf(const std::string& relativePath) {
    const auto& table = componentTable();
    size_t best = table.size();
    size_t bestLength = 0;
    for (size_t i = 0; i < table.size(); ++i) {
        const std::string folder = buildFolderOf(i);
        if (folder.empty() || folder.size() <= bestLength) continue;
        if (relativePath.compare(0, folder.size() + 1, folder + "/") == 0) {
            best = i;
            bestLength = folder.size();
        }
    }
    if (best == kTexturesPackage) {
        const std::string rest = relativePath.substr(bestLength + 1);
        return rest.find('/') == std::string::npos ? kTexturesPackage : kTextures2Package;
    }
    if (best < table.size()) return best;
    return relativePath.find('/') == std::string::npos ? rootPackageOf(relativePath)
                                                       : kStudioPackage;
}

std::string entryNameOf(const std::string& relativePath, size_t package) {
    const std::string folder = buildFolderOf(package);
    std::string name = folder.empty() ? relativePath : relativePath.substr(folder.size() + 1);
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

}  // namespace zorbit::publish
