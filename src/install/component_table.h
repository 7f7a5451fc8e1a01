#pragma once
// The packages of a Studio version and the folders they are unpacked into.

#include <string>
#include <vector>

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
