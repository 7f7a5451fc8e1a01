#pragma once
// A copy of the launcher pointed at a deployment: its built-in hosts (and the
// domains the service URLs are built from) carry the server's port, and its
// version text is the one the deployment publishes.

#include <string>

#include "platform/resource_block.h"

namespace zorbit::publish {

struct LauncherStamp {
    int port = 8470;
    // Install and base host name, without the port.
    std::string siteHost = "www.qasite1.zorbit.localhost";
    // Empty: keep the launcher's own "FileVersion".
    std::string versionText;
};

// The texts of a launcher's block rewritten for the stamp: 104 and 105 become
// the site host and port; the domains and standard hosts keep their names with
// the new port.
platform::ResourceTexts stampedTexts(platform::ResourceTexts texts, const LauncherStamp& stamp);

// Copies the launcher (keeping its permissions) and stamps the copy; answers
// the texts stamped. Throws std::runtime_error when the source has no resource
// block or the copy fails.
platform::ResourceTexts stampLauncherCopy(const std::string& source, const std::string& target,
                                          const LauncherStamp& stamp);

// The "FileVersion" text of an executable; empty when it has none.
std::string launcherVersionText(const std::string& path);

}  // namespace zorbit::publish
