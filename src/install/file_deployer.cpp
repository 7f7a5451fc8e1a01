#include "install/file_deployer.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "base/errors.h"
#include "base/format.h"
#include "base/installer_site.h"
#include "base/logger.h"
#include "install/c_unzipper.h"
#include "install/component_deployment.h"
#include "install/copy_file.h"
#include "install/download_cache.h"
#include "install/file_stamps.h"
#include "install/md5_hasher.h"
#include "install/package_changes.h"
#include "install/temporary_download.h"
#include "net/body_resume.h"
#include "net/cdn_selection.h"
#include "net/http_client.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/utf8_path.h"

namespace fs = std::filesystem;

namespace {

bool pathExists(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::exists(fs::symlink_status(platform::fsPath(path), error));
}

// Deletes the file; false (with the last error kept) only when it failed for
// another reason than being gone already.
bool deleteUnlessMissing(const std::string& path) {
    return platform::deleteFile(path) || platform::getLastError() == platform::kErrorFileNotFound;
}

}  // namespace

FileDeployer::FileDeployer(IInstallerSite* site, bool perUser) : site_(site), perUser_(perUser) {}

void FileDeployer::deployVersionedFile(const std::string& name, const std::string& folder,
                                       Progress& progress, bool unzip,
                                       std::shared_ptr<const UpdateSource> source,
                                       std::shared_ptr<FileStamps> stamps) {
    std::string target;
    std::string downloaded;
    try {
        try {
            deployAttempt(name, folder, progress, true, target, downloaded, unzip, source.get(),
                          stamps.get());
        } catch (const hresult_error& e) {
            site_->reportError(
                std::runtime_error(format("AtlException 0x%x", static_cast<unsigned>(e.hr()))));
        } catch (const silent_exception&) {
            // Cancelled, or another package failed: the driver reports that.
        } catch (const std::exception&) {
            site_->logger().log("Failure when attempting to deploy %s from %s to %s", name.c_str(),
                                downloaded.c_str(), target.c_str());
            cleanupDeploy(name, target, downloaded);
            try {
                deployAttempt(name, folder, progress, false, target, downloaded, unzip, nullptr,
                              stamps.get());
            } catch (const silent_exception&) {
                // A cancellation during the second try is no failure of this package.
            } catch (const std::exception& e) {
                cleanupDeploy(name, target, downloaded);
                site_->reportError(
                    std::runtime_error(format("deployVersionedFile %s to \"%s\" failed: %s",
                                              name.c_str(), target.c_str(), e.what())));
            }
        }
    } catch (...) {
        // Nothing may leave a worker thread.
        try {
            site_->reportError(std::runtime_error(
                format("deployVersionedFile %s to \"%s\" failed: unknown exception", name.c_str(),
                       target.c_str())));
        } catch (...) {
        }
    }
    progress.finished = true;
}

void FileDeployer::deployAttempt(const std::string& name, const std::string& folder,
                                 Progress& progress, bool useCdn, std::string& target,
                                 std::string& downloaded, bool unzip, const UpdateSource* source,
                                 FileStamps* stamps) {
    target = site_->programDirectory() + folder;
    site_->logger().log("deployVersionedFile %s", name.c_str());
    int64_t fetchedByChanges = 0;
    if (unzip && source &&
        deployChanges(name, folder, target, progress, *source, stamps, fetchedByChanges))
        return;
    downloaded = downloadFile(name, progress, useCdn);
    if (source)
        site_->logger().log("Package %s: fetched %lld bytes, reused 0 bytes", name.c_str(),
                            static_cast<long long>(fetchedByChanges + progress.done));
    if (!pathExists(downloaded))
        throw std::runtime_error(format("File doesn't exist: %s", downloaded.c_str()));

    std::FILE* file = platform::openFile(downloaded, "rb");
    if (!file) throwLastError(format("Failed to open %s", downloaded.c_str()));
    std::error_code error;
    const uintmax_t size = fs::file_size(platform::fsPath(downloaded), error);
    if (error) {
        platform::setLastError(platform::win32ErrorFromErrorCode(error));
        site_->logger().log("Failed to get file size for %s: %s from %s", downloaded.c_str(),
                            lastErrorText().c_str(), name.c_str());
    } else {
        site_->logger().log("File size is %lld for %s from %s", static_cast<long long>(size),
                            downloaded.c_str(), name.c_str());
    }
    if (file) std::fclose(file);

    site_->checkCancel();
    if (!unzip) return;
    CUnzipper unzipper(downloaded);
    unzipper.setDeleteBeforeWrite(true);
    if (stamps)
        unzipper.setOnWritten([stamps, &folder](const ZipEntryInfo& info) {
            stamps->add(folder + info.fileName, info.crc, info.uncompressedSize);
        });
    unzipper.ExtractAll(target);
}

bool FileDeployer::deployChanges(const std::string& name, const std::string& folder,
                                 const std::string& target, Progress& progress,
                                 const UpdateSource& source, FileStamps* stamps, int64_t& fetched) {
    const std::string guid = site_->versionGuid();
    const std::string host = resolveContentHost(*site_);
    PackageLocation package{name, folder, target, host.empty() ? site_->installHost() : host,
                            guid.empty() ? "/" + name : "/" + guid + "-" + name};
    std::string cachedEtag = readStoredEtag(perUser_, name);
    if (!isCacheFileName(cachedEtag) || !isRegularFile(downloadFolder(perUser_) + cachedEtag))
        cachedEtag.clear();
    const ChangesOutcome outcome =
        deployPackageChanges(*site_, source, package, cachedEtag, progress, stamps);
    fetched = outcome.fetched;
    simple_logger& logger = site_->logger();
    if (!outcome.deployed) {
        logger.log("Package %s: downloading it whole: %s", name.c_str(), outcome.reason.c_str());
        return false;
    }
    logger.log("Package %s: fetched %lld bytes, reused %lld bytes", name.c_str(),
               static_cast<long long>(outcome.fetched), static_cast<long long>(outcome.reused));
    dropCachedCopy(name);
    return true;
}

void FileDeployer::dropCachedCopy(const std::string& name) {
    try {
        const std::string etag = readStoredEtag(perUser_, name);
        if (etag.empty()) return;
        if (isCacheFileName(etag)) deleteUnlessMissing(downloadFolder(perUser_) + etag);
        writeStoredEtag(perUser_, name, "");
    } catch (const std::exception& e) {
        site_->logger().log("Failed to drop the cached copy of %s: %s", name.c_str(), e.what());
    }
}

std::string FileDeployer::stampsPath() const {
    return downloadFolder(perUser_) + kFileStampsName;
}

void FileDeployer::setDeployedFiles(std::shared_ptr<FileStamps> files) {
    std::lock_guard guard(deployedLock_);
    deployed_ = std::move(files);
}

void FileDeployer::keepFileRecord(const std::string& versionFolder, const std::string& guid) {
    std::shared_ptr<FileStamps> files;
    {
        std::lock_guard guard(deployedLock_);
        files.swap(deployed_);
    }
    if (!files) return;
    simple_logger& logger = site_->logger();
    try {
        files->stamp(versionFolder);
        const std::string path = stampsPath();
        if (files->save(path, guid))
            logger.log("Kept the record of %zu files of %s", files->size(), guid.c_str());
        else
            logger.log("Failed to keep the record of the files of %s in %s", guid.c_str(),
                       path.c_str());
    } catch (const std::exception& e) {
        logger.log("Failed to keep the record of the files of %s: %s", guid.c_str(), e.what());
    }
}

std::string FileDeployer::downloadFile(const std::string& name, Progress& progress, bool useCdn) {
    const std::string folder = downloadFolder(perUser_);
    std::string etag = readStoredEtag(perUser_, name);
    std::string cached;
    if (!etag.empty()) {
        cached = folder + etag;
        etag = verifiedCachedEtag(name, cached, etag);
        if (etag.empty()) cached.clear();
    }

    // A transfer that starts over (the second try) counts its bytes anew.
    progress.done = 0;
    progress.total = 0;
    TemporaryDownload temporary;
    BodyResume resume;
    transfer(name, etag, temporary, progress, useCdn, resume);
    temporary.close();
    site_->checkCancel();

    // The answer's validator names the cached copy: one that is no plain file
    // name is treated as none.
    if (!isCacheFileName(etag)) etag.clear();
    if (resume.spliced()) checkSplicedDownload(name, temporary.path(), etag);
    if (!cached.empty() && folder + etag == cached) {
        // The server confirmed the cached copy (or sent it again under its ETag).
        if (!temporary.remove())
            site_->logger().log("Failed to delete %s: %s", temporary.path().c_str(),
                                lastErrorText().c_str());
        return cached;
    }
    return keepInCache(name, folder, cached, temporary, etag);
}

std::string FileDeployer::verifiedCachedEtag(const std::string& name, const std::string& cachedPath,
                                             const std::string& etag) {
    if (!isCacheFileName(etag) || !isRegularFile(cachedPath)) return {};
    try {
        Md5Hasher hasher;
        std::ifstream in(platform::fsPath(cachedPath), std::ios::binary);
        hasher.hashStream(in);
        const std::string digest = hasher.hexDigest();
        if (digest == etag) return etag;
        site_->logger().log("WARNING: etag and hash don't match for %s: etag=%s hash=%s",
                            name.c_str(), etag.c_str(), digest.c_str());
        in.close();
        platform::deleteFile(cachedPath);
    } catch (const std::exception& e) {
        site_->logger().log("WARNING: Failed to get MD5 hash for %s: %s", cachedPath.c_str(),
                            e.what());
    }
    return {};
}

// A body put together from two answers is only as good as the server's If-Range:
// checked at once, so that a bad splice costs this attempt, not a broken install.
void FileDeployer::checkSplicedDownload(const std::string& name, const std::string& path,
                                        const std::string& etag) {
    if (etag.empty()) return;
    Md5Hasher hasher;
    std::ifstream in(platform::fsPath(path), std::ios::binary);
    hasher.hashStream(in);
    const std::string digest = hasher.hexDigest();
    if (digest != etag)
        throw std::runtime_error(format("Resumed download of %s does not match its etag: hash=%s",
                                        name.c_str(), digest.c_str()));
}

void FileDeployer::transfer(const std::string& name, std::string& etag,
                            TemporaryDownload& temporary, Progress& progress, bool useCdn,
                            BodyResume& resume) {
    const std::string guid = site_->versionGuid();
    const std::string path = guid.empty() ? "/" + name : "/" + guid + "-" + name;
    IInstallerSite& site = *site_;
    const HttpProgress onChunk = [&site, &progress](int bytes, int contentLength) {
        progress.update(site, bytes, contentLength);
    };
    if (useCdn)
        httpGetFromCdn(site, etag, temporary.stream(), site.installHost(), path, onChunk, &resume);
    else
        httpGet(site, etag, temporary.stream(), true, site.installHost(), path, onChunk, &resume);
}

namespace {

// On one file system the finished download becomes the cached copy by a
// rename, readable by all as a copy under the usual mask would be; elsewhere
// it is copied.
bool moveIntoCache(TemporaryDownload& temporary, const std::string& fresh) {
    std::error_code error;
    fs::rename(platform::fsPath(temporary.path()), platform::fsPath(fresh), error);
    if (error) return false;
    temporary.keep();
    constexpr auto kCopyRights = fs::perms::owner_read | fs::perms::owner_write |
                                 fs::perms::group_read | fs::perms::others_read;
    fs::permissions(platform::fsPath(fresh), kCopyRights, fs::perm_options::replace, error);
    return true;
}

}  // namespace

std::string FileDeployer::keepInCache(const std::string& name, const std::string& folder,
                                      const std::string& cached, TemporaryDownload& temporary,
                                      const std::string& etag) {
    simple_logger& logger = site_->logger();
    const std::string fresh = folder + etag;
    if (!cached.empty() && !deleteUnlessMissing(cached))
        logger.log("Failed to delete old %s: %s", cached.c_str(), lastErrorText().c_str());
    if (!deleteUnlessMissing(fresh)) {
        // Without a place in the cache the package is unpacked from the temporary file.
        logger.log("Failed to delete %s: %s", fresh.c_str(), lastErrorText().c_str());
        temporary.keep();
        return temporary.path();
    }
    std::error_code error;
    const uintmax_t size = fs::file_size(platform::fsPath(temporary.path()), error);
    if (!error) bytesReceived_ += static_cast<int64_t>(size);
    const bool moved = moveIntoCache(temporary, fresh);
    if (!moved) copyFile(logger, temporary.path(), fresh);
    try {
        writeStoredEtag(perUser_, name, etag);
    } catch (const std::exception&) {
        // A store that cannot be written only costs the cache.
    }
    if (!moved && !temporary.remove())
        logger.log("Failed to delete %s: %s", temporary.path().c_str(), lastErrorText().c_str());
    return fresh;
}

void FileDeployer::cleanupDeploy(const std::string& name, const std::string& target,
                                 const std::string& downloaded) {
    simple_logger& logger = site_->logger();
    try {
        if (pathExists(downloaded) && !deleteUnlessMissing(downloaded))
            logger.log("Failed to delete fileName(%s): %s", downloaded.c_str(),
                       lastErrorText().c_str());
        // A plain file deletion: the target is normally a folder, which stays as it is.
        if (pathExists(target) && !deleteUnlessMissing(target))
            logger.log("Failed to delete path(%s): %s", target.c_str(), lastErrorText().c_str());
        writeStoredEtag(perUser_, name, "");
    } catch (const std::exception&) {
        logger.log("Error when trying to clean up the deploy of %s from %s to %s", name.c_str(),
                   downloaded.c_str(), target.c_str());
    }
}
