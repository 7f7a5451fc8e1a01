#pragma once
// The sixteen packages of a Studio version and which files of a build each holds.
//
// A build folder is laid out like an installed version folder. Each package
// holds the files under its folder; the three packages of the version folder
// itself split its files by name: "redist*" files go to redist.zip, shared
// libraries (*.so, *.so.N, *.dll) to Libraries.zip, everything else (and any
// folder the table does not name) to ZorbitStudio.zip. content\textures\ is
// shared too: its own files go to content-textures.zip, the files of its
// subfolders to content-textures2.zip.

#include <cstddef>
#include <string>
#include <vector>

namespace zorbit::publish {

struct ComponentPackage {
    std::string package;  // file name on the server, e.g. "content-fonts.zip"
    std::string folder;   // relative to the version folder, backslashes, trailing one; "" = itself
};

// In the launcher's order.
const std::vector<ComponentPackage>& componentTable();

constexpr size_t kRedistPackage = 0;
constexpr size_t kStudioPackage = 1;
constexpr size_t kLibrariesPackage = 2;
constexpr size_t kTexturesPackage = 8;
constexpr size_t kTextures2Package = 9;

// The package of a file, by its path relative to the build folder ('/' separated).
size_t packageOf(const std::string& relativePath);

// The file's entry name in its package: relative to the package's folder, with backslashes.
std::string entryNameOf(const std::string& relativePath, size_t package);

// The package folder as a build-relative path with '/' and no trailing separator.
std::string buildFolderOf(size_t package);

}  // namespace zorbit::publish
