#pragma once
// The files of the Linux registry store, one SQLite database per hive. For the
// store itself, the tools that inspect it and the tests.

#include <string>

#include "platform/registry.h"

namespace platform {

// The database file that holds the hive. HKEY_CURRENT_USER lives in the
// user's configuration folder, HKEY_LOCAL_MACHINE in the machine state folder
// (which the environment variable ZORBIT_MACHINE_STATE_DIR replaces, for tests).
std::string registryHiveFile(RegistryHive hive);

// Checks the hive's database for damage. True also when the hive has no file.
bool registryHiveIntact(RegistryHive hive);

}  // namespace platform
