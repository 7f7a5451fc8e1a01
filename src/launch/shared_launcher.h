#pragma once
// The game launcher the platform's other programs call (exported by the shared
// library ZorbitSharedLauncher): it finds the installed Studio launcher or
// player through the registry and starts it with a game's arguments, without a
// Bootstrapper. Failures come back as HRESULTs, and their readable description
// as the calling thread's error information (GetErrorInfo).

#include <cstdint>
#include <optional>
#include <string>

#include "platform/guid.h"

class simple_logger;

namespace SharedLauncher {

// What to start: 2 and 3 start the Studio launcher, every other value the player.
enum LaunchMode : int32_t {
    Play = 0,
    Build = 2,
    Edit = 3,
};

inline constexpr int32_t kSOk = 0;
inline constexpr int32_t kEFail = static_cast<int32_t>(0x80004005u);
inline constexpr int32_t kDispEException = static_cast<int32_t>(0x80020009u);

// Registry keys whose default value names the installed program.
inline constexpr const char* kStudioKeyPath = "Software\\StudioQTZorbitReg";
inline constexpr const char* kPlayerKeyPath = "Software\\ZorbitReg";

// Starts the installed Studio launcher (modes 2 and 3) or the player. An empty
// ticket is first asked for at authenticationUrl. readyEventName counts only
// when silent is set, showEventName only when hidden is set. Returns 0 when the
// process was started, else the failing HRESULT (E_FAIL when nothing is
// installed), with the error information filled in for classId.
int32_t StartGame(simple_logger& logger, const std::string& ticket,
                  const std::string& authenticationUrl, const std::string& scriptUrl,
                  const platform::Guid& classId, bool silent, const std::string& readyEventName,
                  bool hidden, const std::string& showEventName, LaunchMode mode);

// The default value of the Studio or player key: HKEY_LOCAL_MACHINE only for an
// elevated process, else HKEY_CURRENT_USER and then HKEY_LOCAL_MACHINE.
// operation follows the steps, so a failure can say where it stopped. Raises
// hresult_error: E_FAIL when no key opens, the HRESULT of the reading status
// when the value cannot be read.
std::string queryInstalledPath(std::string& operation, bool studio);

// A ticket from the platform's ticket service at url; empty on any failure.
std::string requestTicket(const std::string& url);

// The error information a failed call leaves for its thread.
struct ErrorInfo {
    std::string source;       // the program id registered for the caller's class id, or empty
    std::string description;  // "<system text> (hr=0x%8.8x). operation: <operation>"
};

// Records the error information for the calling thread; answers hr, or
// DISP_E_EXCEPTION when hr is 0.
int32_t setErrorInfo(const platform::Guid& classId, const std::string& message, int32_t hr);

// Takes the calling thread's error information (nothing once taken, as with the
// system's own).
std::optional<ErrorInfo> GetErrorInfo();

}  // namespace SharedLauncher
