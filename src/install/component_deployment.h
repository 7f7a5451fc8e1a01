#pragma once
// The deployment of a version's packages: one detached worker per package,
// all at once, watched by the driver (Bootstrapper::deployComponentPackages and
// the Studio's DeployComponents are defined in component_deployment.cpp).

#include <memory>
#include <string>
#include <vector>

#include "install/component_table.h"
#include "install/progress.h"

class FileDeployer;
class IInstallerSite;

// Starts FileDeployer::deployVersionedFile for every row, in table order,
// without waiting, and answers one zeroed record per row. Each worker holds
// shares of the deployer, its record, a copy of its row and siteOwner (what
// keeps the deployer's site alive), so it may outlive the caller's interest.
std::vector<std::shared_ptr<Progress>> startPackageWorkers(
    const std::shared_ptr<void>& siteOwner, const std::shared_ptr<FileDeployer>& deployer,
    const std::vector<ComponentPackage>& table, bool unzip);

// The content host a package download tries first, found as the download
// finds it; empty when there is none.
std::string resolveContentHost(IInstallerSite& site);
