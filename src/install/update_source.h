#pragma once
// What an update that fetches only the changed parts of its packages starts
// from: the installed version's folder, whose files are taken where they did
// not change, the new version's manifest, which every such file must match,
// and the installed version's, which may vouch for a file already, as may the
// record of the files the launcher put in the installed folder.

#include <memory>
#include <string>
#include <unordered_map>

#include "install/file_stamps.h"

class IInstallerSite;

struct UpdateSource {
    std::string installedFolder;  // ends in a separator
    // Native path relative to the version folder -> lower-case MD5.
    std::unordered_map<std::string, std::string> manifest;

    // The installed version's manifest, the same way; empty when it could not be had.
    std::unordered_map<std::string, std::string> installedManifest;

    // The record of the installed files; empty when there is none.
    FileStamps installedStamps;

    // The manifest's digest for the path; empty when it lists none.
    std::string digestOf(const std::string& relativePath) const;
    // The digest an installed file must show to be taken over: none (the size
    // and CRC-32 of the package's entry suffice) when both manifests list the
    // same one, since the installed file then holds the bytes both vouch for.
    std::string digestToCheck(const std::string& relativePath) const;
};

// The manifest's lines (a path line, then its MD5 line; CR LF or LF) by
// native path. Stops at the first empty path line, like the file check.
std::unordered_map<std::string, std::string> parseManifest(const std::string& text);

// The source for updating from the installed folder (whose last name is the
// installed version's GUID): none (logged) when the folder is missing or the
// site's version's manifest cannot be had. Both manifests are asked for at
// once; the record of the installed files is read from stampsPath meanwhile.
// Throws only cancellations.
std::shared_ptr<const UpdateSource> loadUpdateSource(IInstallerSite& site,
                                                     const std::string& installedFolder,
                                                     const std::string& stampsPath = {});
