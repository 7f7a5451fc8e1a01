// Starting a game for the platform's other programs: the installed program from
// the registry, its command line, and the failures as HRESULTs.
#include "launch/shared_launcher.h"

#include <filesystem>

#include "base/errors.h"
#include "base/format.h"
#include "base/logger.h"
#include "launch/launch_arguments.h"
#include "platform/elevation.h"
#include "platform/last_error.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/utf8_path.h"
#include "system/registry_operations.h"

namespace SharedLauncher {
namespace {

// The command line's buffer, in wide characters with the terminating NUL.
constexpr size_t kCommandLineChars = 2048;

using platform::RegistryHive;

bool isExistingFile(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(platform::fsPath(path), error);
}

// Each value is quoted so it reaches the program as exactly one argument, and an
// empty one keeps its place among the positional arguments of the play form.
std::string playCommand(const std::string& path, const std::string& ticket,
                        const std::string& authenticationUrl, const std::string& scriptUrl,
                        bool silent, const std::string& readyEventName, bool hidden,
                        const std::string& showEventName) {
    auto q = [](const std::string& value) { return platform::quoteArgument(value); };
    return format("\"%s\" %s %s %s %s %s %s", path.c_str(), "-play", q(scriptUrl).c_str(),
                  q(authenticationUrl).c_str(), q(ticket).c_str(),
                  silent ? q(readyEventName).c_str() : "nonSilent",
                  hidden ? q(showEventName).c_str() : "nonHidden");
}

std::string studioCommand(const std::string& path, const std::string& ticket,
                          const std::string& authenticationUrl, const std::string& scriptUrl,
                          bool silent, const std::string& readyEventName, bool hidden,
                          const std::string& showEventName) {
    LaunchOptions options;
    options.launchMode = "-build";
    options.url = authenticationUrl;
    options.ticket = ticket;
    options.script = scriptUrl;
    options.avatar = "-avatar";
    if (silent) options.readyEvent = readyEventName;
    if (hidden) options.showEvent = showEventName;
    return format("\"%s\" %s", path.c_str(), buildLaunchArguments(options).c_str());
}

// The Studio launcher when one is installed; otherwise the player, in the play form.
std::string installedProgram(std::string& operation, bool& studio) {
    if (!studio) return queryInstalledPath(operation, false);
    std::string path;
    try {
        path = queryInstalledPath(operation, true);
    } catch (const hresult_error&) {
        path.clear();
    }
    if (isExistingFile(path)) return path;
    studio = false;
    return queryInstalledPath(operation, false);
}

int32_t reportFailure(simple_logger& logger, const platform::Guid& classId, int32_t hr,
                      const std::string& systemText, const std::string& operation) {
    logger.log("SharedLauncher::StartGame try failed, in catch");
    if (hr >= 0) return kSOk;
    const std::string message = format("%s (hr=0x%8.8x). operation: %s", systemText.c_str(),
                                       static_cast<uint32_t>(hr), operation.c_str());
    logger.log("SharedLauncher::StartGame try failed, error: %s", message.c_str());
    return setErrorInfo(classId, message, hr);
}

}  // namespace

std::string queryInstalledPath(std::string& operation, bool studio) {
    const std::string keyPath = studio ? kStudioKeyPath : kPlayerKeyPath;
    auto open = [&](RegistryHive hive) {
        operation = format("Open %s\\%s key", platform::hiveName(hive), keyPath.c_str());
        return openKey(platform::RegistryKey::root(hive), keyPath);
    };
    RegistryKeyPtr key;
    if (!platform::isElevated()) key = open(RegistryHive::CurrentUser);
    if (!key) key = open(RegistryHive::LocalMachine);
    if (!key) throw hresult_error(kEFail);

    operation = "Query Zorbit default key";
    std::string path;
    const uint32_t status = key->queryString("", kSharedLauncherPathChars, path);
    // The reading status is a Win32 code: as an HRESULT it must count as a failure.
    if (status != platform::kErrorSuccess) throw hresult_error(hresultFromWin32(status));
    return path;
}

int32_t StartGame(simple_logger& logger, const std::string& ticket,
                  const std::string& authenticationUrl, const std::string& scriptUrl,
                  const platform::Guid& classId, bool silent, const std::string& readyEventName,
                  bool hidden, const std::string& showEventName, LaunchMode mode) {
    std::string operation;
    try {
        std::string gameTicket = ticket;
        if (gameTicket.empty()) {
            operation = "Authenticate";
            gameTicket = requestTicket(authenticationUrl);
        }
        bool studio = mode == Build || mode == Edit;
        const std::string path = installedProgram(operation, studio);

        operation = "Start Zorbit.exe";
        const std::string command =
            studio ? studioCommand(path, gameTicket, authenticationUrl, scriptUrl, silent,
                                   readyEventName, hidden, showEventName)
                   : playCommand(path, gameTicket, authenticationUrl, scriptUrl, silent,
                                 readyEventName, hidden, showEventName);
        // A cut command line would start the game with a cut ticket or event name.
        if (platform::utf16Length(command) >= kCommandLineChars)
            throw hresult_error(hresultFromWin32(platform::kErrorInsufficientBuffer));
        logger.log("Final cmd = %s, unideEventName = %s, hidden = %d", command.c_str(),
                   showEventName.c_str(), hidden ? 1 : 0);
        operation = command;

        platform::ProcessInfo process;
        if (!platform::startProcess(command, process))
            throw hresult_error(hresultFromWin32(platform::getLastError()));
        platform::releaseProcess(process);
        return kSOk;
    } catch (const hresult_error& e) {
        return reportFailure(logger, classId, e.hr(), errorText(e.hr()), operation);
    } catch (const std::exception& e) {
        // Nothing may escape to a caller that only expects an HRESULT.
        return reportFailure(logger, classId, kEFail, e.what(), operation);
    }
}

}  // namespace SharedLauncher
