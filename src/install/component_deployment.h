#pragma once
// The deployment of a version's packages: one detached worker per package,
// all at once, watched by the driver.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "install/component_table.h"
#include "install/progress.h"

class CMainDialog;
class FileDeployer;
class FileStamps;
class IInstallerSite;
struct UpdateSource;

// Starts FileDeployer::deployVersionedFile for every row, in table order,
// without waiting, and answers one zeroed record per row. Each worker holds
// shares of the deployer, its record, a copy of its row and siteOwner (what
// keeps the deployer's site alive), so it may outlive the caller's interest.
// With a source, each package first tries to fetch only what changed. Every
// file put in place goes into stamps, when given.
std::vector<std::shared_ptr<Progress>> startPackageWorkers(
    const std::shared_ptr<void>& siteOwner, const std::shared_ptr<FileDeployer>& deployer,
    const std::vector<ComponentPackage>& table, bool unzip,
    const std::shared_ptr<const UpdateSource>& source = nullptr,
    const std::shared_ptr<FileStamps>& stamps = nullptr);

// The content host a package download tries first, found as the download
// finds it; empty when there is none.
std::string resolveContentHost(IInstallerSite& site);

// What the driver needs of the run besides its site.
struct PackageDeployment {
    std::weak_ptr<void> siteOwner;           // the workers share it while they run
    std::shared_ptr<FileDeployer> deployer;  // without one the deployment fails
    CMainDialog* dialog = nullptr;           // its marquee, when there is a dialog
    std::string productName;
    std::string displayName;
    bool perModeLogging = false;  // the content-host event and the deployment stats
    // The installed version's folder when it is another one: an upgrade then
    // takes its unchanged files from there and fetches only the rest.
    std::string installedVersionFolder;
    std::function<void(const std::string& text)> setUiMessage;
    std::function<void(const std::string& name)> registerEvent;
    std::function<void(const std::string& name, const std::string& result, int64_t durationMs,
                       int64_t bytes)>
        reportStats;
};

// Runs one worker per package at once and waits for them all, showing their
// combined progress, then hands the deployer what the files they put in place
// were (see FileDeployer::keepFileRecord). Throws the cancellation or the errors the workers
// reported to the site; workers still running then keep what they use alive.
void deployComponentPackages(IInstallerSite& site, const PackageDeployment& deployment,
                             const std::vector<ComponentPackage>& table, bool upgrade, bool unzip);

// Makes the Studio's folder tree in the version folder (an existing tree is
// taken as it is) and removes the unfinished files a launcher killed while
// unpacking into it left.
void prepareStudioVersionFolder(const std::string& versionFolder);
