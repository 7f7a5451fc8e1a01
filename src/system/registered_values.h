#pragma once
// Readers of the launcher's recorded state that look in both hives, and the
// current-version values shared with the platform's other programs.

#include <string>

class simple_logger;

// "install host" of keyPath: under HKEY_CURRENT_USER first when perUser, then,
// when nothing was found, under HKEY_LOCAL_MACHINE, which sets machineScopeUsed.
// Logs "HKCU\<path> :install host = <value>" (or HKLM) for each hive that opened.
std::string registeredInstallHost(simple_logger& logger, bool perUser, const std::string& keyPath,
                                  bool& machineScopeUsed);
// "version" of keyPath, looked up and logged the same way.
std::string registeredVersion(simple_logger& logger, bool perUser, const std::string& keyPath,
                              bool& machineScopeUsed);
// The default value of keyPath (a launcher path, 260-character buffer), looked
// up the same way without log or mark.
std::string registeredLauncherPath(bool perUser, const std::string& keyPath);

// "CPath" under HKEY_CURRENT_USER (260-character buffer); empty when missing.
std::string registeredCookiePath();
// Stores "CPath"; raises std::runtime_error when it cannot be written.
void storeCookiePath(const std::string& path);

// Writes "cur<component>Ver" = version and "cur<component>Url" = url under the
// install root's Software\ZORBIT Corporation\Zorbit. Never raises.
void setCurrentVersion(simple_logger& logger, bool perUser, const std::string& component,
                       const std::string& version, const std::string& url);
// Deletes both values again. Never raises.
void deleteCurVersionKeys(simple_logger& logger, bool perUser, const std::string& component);
