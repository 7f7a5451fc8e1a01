#pragma once
// How the shell knows an installed Studio: the place file type ".zbtl", the URL
// protocol and the entry in the list of installed programs, in the registry of
// the install root, each with its desktop export (desktop_handlers.h).
// Failed writes raise std::runtime_error with the step's message and the
// system's text; the removals never raise.

#include <string>

#include "platform/registry.h"

class simple_logger;

inline constexpr const char* kPlaceExtension = ".zbtl";
inline constexpr const char* kPlaceProgId = "Zorbit.Place";

// The file type under classesKey (install root\Software\Classes): opening a
// place file runs the version's launcher with "-ide" and the file.
void registerFileTypes(simple_logger& logger, const platform::RegistryKey& classesKey,
                       const std::string& programDirectory, const std::string& appExeName,
                       const std::string& launcherExeName);
void unregisterFileTypes(simple_logger& logger, const platform::RegistryKey& classesKey);

// The URL protocol of the scheme under install root\SOFTWARE\Classes, after
// removing the scheme recorded in the application key as "protocol handler
// scheme"; records the new one there. An empty scheme does nothing.
void RegisterProtocolHandler(simple_logger& logger, bool perUser, const std::string& scheme,
                             const std::string& launcherPath, const std::string& appKeyPath);
// Removes the scheme's keys and entry; the recorded scheme value stays.
void UnregisterProtocolHandler(simple_logger& logger, bool perUser, const std::string& scheme);

struct UninstallEntry {
    bool perUser = true;
    std::string programDirectory;
    std::string launcherExeName;
    std::string version;
    std::string siteHost;  // "URLInfoAbout" is https:// and this host
};
// The product's entry in the list of installed programs.
void registerUninstall(const UninstallEntry& entry);
