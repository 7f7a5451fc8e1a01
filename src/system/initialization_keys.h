#pragma once
// The registry steps of the launcher's initialization.

#include "system/registry_operations.h"

class simple_logger;

// Software\Classes under the install root, created when missing, open for
// reading and writing. Raises std::runtime_error "Failed to create
// HK**\Software\Classes: <system text>"; logs "classesKey = <hive>\Software\Classes".
RegistryKeyPtr openClassesKey(simple_logger& logger, bool perUser);

// Gives the shared cookie settings file a path: when "CPath" is empty or
// missing, the LocalAppDataLow folder (created) followed by "zbtcsettings.zbt".
// Never raises: a failure logs "Failure during cookie path initialization".
void initializeCookiePath(simple_logger& logger);
