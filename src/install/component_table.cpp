#include "install/component_table.h"

#include "install/native_path.h"

namespace {

std::vector<ComponentPackage> makeTable() {
    std::vector<ComponentPackage> table;
    for (const ComponentRow& row : kStudioComponentRows)
        table.push_back({row.package, nativePath(row.folder)});
    return table;
}

std::vector<std::string> makeFolders() {
    const char* const folders[] = {
        "content",
        "content\\fonts",
        "content\\music",
        "content\\particles",
        "content\\sky",
        "content\\sounds",
        "content\\textures",
        "content\\scripts",
        "PlatformContent",
        "PlatformContent\\pc",
        "PlatformContent\\pc\\textures",
        "PlatformContent\\pc\\terrain",
        "shaders",
        "BuiltInPlugins",
        "imageformats",
    };
    std::vector<std::string> result;
    for (const char* folder : folders) result.push_back(nativePath(folder));
    return result;
}

}  // namespace

const std::vector<ComponentPackage>& studioComponentTable() {
    static const std::vector<ComponentPackage> table = makeTable();
    return table;
}

const std::vector<std::string>& studioComponentFolders() {
    static const std::vector<std::string> folders = makeFolders();
    return folders;
}
