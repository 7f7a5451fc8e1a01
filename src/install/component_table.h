#pragma once
// The packages of a Studio version and the folders they are unpacked into.

#include <array>
#include <string>
#include <vector>

// A package and its folder as the setup host names them: relative to the
// version folder, backslash-separated with a trailing one, "" for the version
// folder itself. In the order the workers are started. The publishing tool
// lays deployments out by the same rows.
struct ComponentRow {
    const char* package;
    const char* folder;
};

inline constexpr std::array<ComponentRow, 16> kStudioComponentRows = {{
    {"redist.zip", ""},
    {"ZorbitStudio.zip", ""},
    {"Libraries.zip", ""},
    {"content-fonts.zip", "content\\fonts\\"},
    {"content-music.zip", "content\\music\\"},
    {"content-particles.zip", "content\\particles\\"},
    {"content-sky.zip", "content\\sky\\"},
    {"content-sounds.zip", "content\\sounds\\"},
    {"content-textures.zip", "content\\textures\\"},
    {"content-textures2.zip", "content\\textures\\"},
    {"content-textures3.zip", "PlatformContent\\pc\\textures\\"},
    {"content-terrain.zip", "PlatformContent\\pc\\terrain\\"},
    {"content-scripts.zip", "content\\scripts\\"},
    {"shaders.zip", "shaders\\"},
    {"BuiltInPlugins.zip", "BuiltInPlugins\\"},
    {"imageformats.zip", "imageformats\\"},
}};

struct ComponentPackage {
    std::string package;  // file name on the server; also names its ETag value
    std::string folder;   // relative to the version folder, native, ending in a
                          // separator; empty for the version folder itself
};

// The sixteen packages, in the order their workers are started. Two of them
// share content/textures/.
const std::vector<ComponentPackage>& studioComponentTable();

// The folders made inside the version folder before a deployment, native and
// relative, each after its parent.
const std::vector<std::string>& studioComponentFolders();
