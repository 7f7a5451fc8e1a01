#pragma once
// The version folders made by earlier installs, remembered per scope in the
// registry (the list recordedVersions in system/version_folders.h reads).

#include <string>
#include <vector>

class simple_logger;

// Appends the scope's list to versions, in order. The key is created when
// missing; a launcher without rights to the machine's hive (an all-users run
// before it is elevated) still reads it.
void loadPrevVersions(simple_logger& logger, bool perUser, std::vector<std::string>& versions);

// Replaces the scope's list with the versions whose folders still exist, in
// order; throws when the list cannot be written.
void storePrevVersions(simple_logger& logger, bool perUser,
                       const std::vector<std::string>& versions);
