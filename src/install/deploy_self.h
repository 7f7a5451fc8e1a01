#pragma once
// The launcher puts itself into the version folder it installs.

#include <string>

class IInstallerSite;
class simple_logger;

// The launcher named launcherExeName in the site's version folder: copied there
// from the running launcher, or (when a copy is there) replaced when it differs.
void deploySelf(IInstallerSite& site, const std::string& launcherExeName);

// Copies the running launcher to target unless a file is there; answers
// whether a launcher is there afterwards. Never throws.
bool deploySelfTo(simple_logger& logger, const std::string& target);
