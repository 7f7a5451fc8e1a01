#pragma once
// The launcher's deployment of one version, run in a child process of the
// benchmark so that its peak memory is its own: every folder the launcher
// uses (home, data, registry, temporary) lies in the run's folder.

#include <string>

// The child's entry: deploys the version into the run folder's data folder
// and prints "deploy S" (its seconds) and "received R" (the bytes the file
// deployer received).
// Answers the exit status.
int deployInChild(const std::string& runFolder, const std::string& installHost,
                  const std::string& guid);

// The child's entry for an update: deploys the version from, records it as
// installed, then times the upgrade to the version to and prints "update S"
// (its seconds) and "received R". Answers the exit status.
int updateInChild(const std::string& runFolder, const std::string& installHost,
                  const std::string& from, const std::string& to);
