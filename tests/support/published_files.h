#pragma once
// Checks an installed version folder against the manifest it was published with.

#include <string>
#include <vector>

#include "publisher.h"

// The manifest's files that are missing from the folder (marked " (missing)")
// or whose MD5 differs, relative and '/'-separated.
std::vector<std::string> filesDifferingFromManifest(
    const std::string& versionFolder, const std::vector<zorbit::publish::ManifestLine>& manifest);

// A manifest path ("content\\fonts\\a.ttf") as a relative native path.
std::string manifestPathToNative(std::string path);
