#pragma once
// The launcher's deployment of one version, run in a child process of the
// benchmark so that its peak memory is its own: every folder the launcher
// uses (home, data, registry, temporary) lies in the run's folder.

#include <string>

// The child's entry: deploys the version into the run folder's data folder
// and prints "received R" (the bytes the file deployer received).
// Answers the exit status.
int deployInChild(const std::string& runFolder, const std::string& installHost,
                  const std::string& guid);
