#pragma once
// The checks that refuse to run on a machine that cannot run the Studio, and
// what they ask of the machine.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class simple_logger;

constexpr uint64_t kRequiredFreeDiskBytes = 40000000;

// The machine facts behind the checks. They are the platform's queries; tests
// put others in their place to reach every outcome.
struct PrerequisiteProbes {
    std::function<bool()> cpuHasSse2;
    std::function<bool()> osMeetsMinimum;
    // Whether the system has a browser component whose version must be checked.
    std::function<bool()> hasBrowserComponent;
    // Free bytes for the user on the volume of a path; nullopt when unknown.
    std::function<std::optional<uint64_t>(const std::string& path)> freeDiskBytes;
};

PrerequisiteProbes& prerequisiteProbes();
// Puts the platform's queries back.
void resetPrerequisiteProbes();

// A free space that cannot be determined does not stop the install: the
// install's own writes report a full disk.
bool enoughDiskSpace(std::optional<uint64_t> freeBytes);

// The browser's "Version" under HKEY_LOCAL_MACHINE (256-character buffer).
bool readBrowserVersion(std::string& version);
// Version 6 or later: the first character is "6" or any character above it.
bool browserVersionSupported(const std::string& version);

// Where a failing check says so: the log, and the user's window (the system
// checks only when the run is interactive; the disk check always).
struct PrerequisiteReport {
    simple_logger& logger;
    bool interactive = true;
    std::function<void(const std::string& text)> showMessage;
};

// Each check returns when the machine passes it and raises
// installer_error_exception with the check's code when it does not.
void checkCpuPrerequisite(const PrerequisiteReport& report);
// Logs the system's version fields first.
void checkOsPrerequisite(const PrerequisiteReport& report);
void checkBrowserPrerequisite(const PrerequisiteReport& report);
// The free space of the volume that holds folder.
void checkDiskSpacePrerequisite(const PrerequisiteReport& report, const std::string& folder);
