#pragma once
// Where downloaded packages are kept between runs: the scope's Downloads
// folder, one file per package named by its ETag, and the ETag store in the
// registry (one value per package file name).

#include <memory>
#include <string>

namespace platform {
class RegistryKey;
}

// The Downloads folder of the scope, created, ending in a separator. Throws
// std::runtime_error "Failed to create Downloads folder" when there is none.
std::string downloadFolder(bool perUser);

// The ETag store of the scope, opened read-write (created when missing).
std::unique_ptr<platform::RegistryKey> openEtagStore(bool perUser);
// The package's stored ETag; empty when none is known.
std::string readStoredEtag(bool perUser, const std::string& package);
// Stores the ETag (empty: no cached copy is known). The write's status is not
// checked; a store that cannot be opened throws std::runtime_error.
void writeStoredEtag(bool perUser, const std::string& package, const std::string& etag);

// Whether the ETag can name a file in the Downloads folder: it comes from the
// server and the registry, so one that could reach elsewhere ("..", a
// separator) or is no name at all is not used.
bool isCacheFileName(const std::string& etag);

// The file exists and is not a folder.
bool isRegularFile(const std::string& path);
