#include "wine/support/wine_sandbox.h"

#include <algorithm>
#include <filesystem>

#include "support/file_contents.h"
#include "support/local_platform_server.h"

namespace fs = std::filesystem;

WineSandbox::WineSandbox(const LocalPlatformServer& server, WineScope scope) : scope_(scope) {
    fs::create_directories(fs::path(launcher()).parent_path());
    server.stampLauncher(launcher());
}

ChildResult WineSandbox::runProgram(const std::string& program,
                                    const std::vector<std::string>& arguments, int timeoutMs,
                                    const ChildWatcher& watcher) const {
    std::vector<std::string> argv;
    if (perUser())
        argv = {windowsBuildProgram("tools/zorbit-win-helper/zorbit-win-helper.exe"),
                "standard-user"};
    argv.push_back(program);
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return prefix_.run(argv, timeoutMs, watcher);
}

std::string WineSandbox::versionsWindowsFolder() const {
    return perUser() ? "C:\\users\\" + WinePrefix::userName() +
                           "\\AppData\\Local\\vexmoor-qasite1\\Versions\\"
                     : "C:\\Program Files (x86)\\vexmoor-qasite1\\Versions\\";
}

std::string WineSandbox::programsWindowsFolder() const {
    return perUser() ? "C:\\users\\" + WinePrefix::userName() +
                           "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\"
                           "vexmoor-qasite1\\"
                     : "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\"
                       "vexmoor-qasite1\\";
}

std::string WineSandbox::desktopWindowsFolder() const {
    return "C:\\users\\" + WinePrefix::userName() + "\\Desktop\\";
}

std::vector<std::string> WineSandbox::logs() const {
    std::vector<std::pair<fs::file_time_type, std::string>> found;
    // Wine's own TEMP, and where Windows keeps it.
    for (const char* temp : {"Temp", "AppData/Local/Temp"}) {
        std::error_code error;
        for (fs::recursive_directory_iterator it(prefix_.profileFolder() + temp, error), end;
             !error && it != end; it.increment(error))
            if (it->path().extension() == ".log")
                found.emplace_back(it->last_write_time(), it->path().string());
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& [time, path] : found) paths.push_back(path);
    return paths;
}

std::string WineSandbox::newestLog() const {
    const auto all = logs();
    return all.empty() ? std::string() : readFile(all.back());
}
