#pragma once
// One package of an update deployed from what changed: its directory is read
// from the package's tail by range, every entry whose file the installed
// version holds unchanged is copied from there, and only the other entries'
// byte ranges are fetched and unpacked. Whatever does not add up declines,
// so that the package is downloaded whole instead.

#include <cstdint>
#include <string>

#include "install/file_stamps.h"
#include "install/progress.h"
#include "install/update_source.h"

class IInstallerSite;

struct PackageLocation {
    std::string name;    // the package's file name
    std::string folder;  // relative to the version folder; empty or ending in a separator
    std::string target;  // the version folder followed by folder
    std::string host;    // where its ranges are asked for
    std::string path;    // its path on that host
};

struct ChangesOutcome {
    bool deployed = false;
    std::string reason;   // why it declined
    int64_t fetched = 0;  // body bytes received
    int64_t reused = 0;   // package bytes of the entries taken from the installed version
};

// cachedEtag names the package's copy in the download cache (empty when
// none): when the server's package is that one, it declines, as the cache
// holds it whole. Every file it writes matches its entry and, where the new
// manifest lists it, the manifest; each goes into stamps, when given, as it
// is put in place. Throws only the site's cancellations.
ChangesOutcome deployPackageChanges(IInstallerSite& site, const UpdateSource& source,
                                    const PackageLocation& package, const std::string& cachedEtag,
                                    Progress& progress, FileStamps* stamps = nullptr);
