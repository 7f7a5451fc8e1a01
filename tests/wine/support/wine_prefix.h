#pragma once
// A Wine prefix of its own for one test: a copy of a ready prefix that the
// test run makes once, with a wine server that stays up while the copy lives
// (a Windows program then starts in a tenth of a second, not in seconds).
// Wine gets a private HOME, never writes the desktop's menus, and finds every
// name of the local platform server in the hosts file that wine_main.cpp
// binds over /etc/hosts.

#include <map>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

// A registry key's values as the tests compare them: strings as their text,
// other types tagged ("expand:", "dword:").
using RegistryValues = std::map<std::string, std::string>;

class WinePrefix {
public:
    WinePrefix();
    ~WinePrefix();
    WinePrefix(const WinePrefix&) = delete;
    WinePrefix& operator=(const WinePrefix&) = delete;

    const std::string& path() const { return prefix_; }
    std::map<std::string, std::string> environment() const;

    // Runs a Windows program (a Unix or Windows path) with its arguments.
    ChildResult run(const std::vector<std::string>& argv, int timeoutMs = 120000,
                    const ChildWatcher& watcher = {}) const;

    // The Unix path of a path on C: or Z:, and the Windows (Z:) path of a Unix one.
    std::string unixPath(const std::string& windowsPath) const;
    static std::string windowsPath(const std::string& unixPath);
    // The Unix path of the running user's profile folder, ending in a separator.
    std::string profileFolder() const;

    // The values of a key as a 32-bit program sees the registry; nullopt-like
    // "(no key)" entry when the key does not exist.
    RegistryValues registryValues(const std::string& key) const;
    bool registryKeyExists(const std::string& key) const;
    void setRegistryValue(const std::string& key, const std::string& name,
                          const std::string& value) const;

    // Ends at once every process of this prefix whose command line names the
    // program (a file name); answers how many.
    int killPrograms(const std::string& fileName) const;

    // The user Wine runs Windows programs as.
    static std::string userName();

private:
    TempDir dir_;
    std::string prefix_;
};

// Builds the Windows programs of this source tree (the launcher, the stand-in,
// the helper): their Unix paths.
std::string windowsBuildProgram(const std::string& relativePath);
