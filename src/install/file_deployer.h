#pragma once
// Puts one package of the current version in place: downloads it through the
// download cache (files named by the server's ETag, checked against their MD5
// before they are trusted) and unpacks it into its folder of the version folder.
//
// One deployer serves every package worker of a deployment at once; each worker
// works on its own package name, temporary file, ETag value and Progress record.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "install/progress.h"

class BodyResume;
class FileStamps;
class IInstallerSite;
class TemporaryDownload;
struct UpdateSource;

class FileDeployer {
public:
    // site is not owned: whoever runs workers on this deployer keeps the site
    // alive until they end.
    FileDeployer(IInstallerSite* site, bool perUser);

    // The worker of one package. folder is relative to the version folder and
    // ends in a separator; empty means the version folder itself. Tries the
    // content host (falling back to the install host), then once more straight
    // from the install host. Never throws: failures go to the site's
    // reportError, cancellations end it quietly. Sets progress.finished last.
    // With an update source the first try fetches only what changed (see
    // package_changes.h) and downloads the package whole when that declines.
    // Every file unpacked or taken over goes into stamps, when given.
    void deployVersionedFile(const std::string& name, const std::string& folder, Progress& progress,
                             bool unzip, std::shared_ptr<const UpdateSource> source = nullptr,
                             std::shared_ptr<FileStamps> stamps = nullptr);

    // One attempt. target and downloaded tell the caller how far it got, also
    // when it throws; downloaded stays empty when only changes were fetched.
    void deployAttempt(const std::string& name, const std::string& folder, Progress& progress,
                       bool useCdn, std::string& target, std::string& downloaded, bool unzip,
                       const UpdateSource* source = nullptr, FileStamps* stamps = nullptr);

    // The path of the package's file to unpack: its cached copy, or (when the
    // cache cannot take it) its temporary file. Throws on failure.
    std::string downloadFile(const std::string& name, Progress& progress, bool useCdn);

    // Undoes what a failed attempt left (the downloaded file, the package's
    // ETag), so the next attempt starts without a cache. Never throws.
    void cleanupDeploy(const std::string& name, const std::string& target,
                       const std::string& downloaded);

    // Sum of the sizes of packages newly stored in the download cache.
    int64_t bytesReceived() const { return bytesReceived_; }
    bool perUser() const { return perUser_; }
    // Where the scope keeps the record of the files of the version installed last.
    std::string stampsPath() const;
    // The files a complete deployment put in place, for keepFileRecord.
    void setDeployedFiles(std::shared_ptr<FileStamps> files);
    // Once the version is in place and the earlier versions are gone: makes
    // the files the last deployment put in versionFolder the record the next
    // update starts from (see file_stamps.h). Logs what it kept; never throws.
    void keepFileRecord(const std::string& versionFolder, const std::string& guid);

private:
    // Whether the package was deployed from its changes; the line that tells
    // what it fetched is logged either way. fetched: what was received.
    bool deployChanges(const std::string& name, const std::string& folder,
                       const std::string& target, Progress& progress, const UpdateSource& source,
                       FileStamps* stamps, int64_t& fetched);
    // The cache's copy of the installed version's package is of no use now.
    void dropCachedCopy(const std::string& name);
    std::string verifiedCachedEtag(const std::string& name, const std::string& cachedPath,
                                   const std::string& etag);
    // A transfer broken after part of the body resumes from there on its next try.
    void transfer(const std::string& name, std::string& etag, TemporaryDownload& temporary,
                  Progress& progress, bool useCdn, BodyResume& resume);
    void checkSplicedDownload(const std::string& name, const std::string& path,
                              const std::string& etag);
    std::string keepInCache(const std::string& name, const std::string& folder,
                            const std::string& cached, TemporaryDownload& temporary,
                            const std::string& etag);

    IInstallerSite* site_;
    bool perUser_;
    std::mutex deployedLock_;
    std::shared_ptr<FileStamps> deployed_;
    std::atomic<int64_t> bytesReceived_{0};
};
