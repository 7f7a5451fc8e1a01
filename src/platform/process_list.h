#pragma once
// The user's running processes, found by executable name, and asking them to close.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// Processes of the current user whose executable's file name equals imageName,
// ignoring letter case; this process excluded.
std::vector<uint32_t> findProcessesByImageName(const std::string& imageName);

// Asks the process to close (it may refuse or take its time).
bool requestProcessClose(uint32_t processId);

bool isProcessRunning(uint32_t processId);

// Waits up to timeoutMs for the process to end; true when it has.
bool waitForProcessEnd(uint32_t processId, uint32_t timeoutMs);

// A title for the process that a user recognises: its command name.
std::string processTitle(uint32_t processId);

}  // namespace platform
