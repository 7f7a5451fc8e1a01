#pragma once
// A private home for one test: HOME, the XDG folders, TMPDIR and the machine
// state folder (the machine registry hive) all point into a temporary folder;
// on Windows the registry's hives and the known folders too (PrivateRegistry).

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/file_contents.h"
#include "support/private_registry.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

class RegistrySandbox {
public:
    RegistrySandbox()
        : home_("HOME", dir_.file("home")),
          config_("XDG_CONFIG_HOME", dir_.file("home/.config")),
          data_("XDG_DATA_HOME", dir_.file("home/.local/share")),
          cache_("XDG_CACHE_HOME", dir_.file("home/.cache")),
          tmp_("TMPDIR", dir_.file("tmp")),
          machine_("ZORBIT_MACHINE_STATE_DIR", dir_.file("machine")),
          registry_(dir_.path()) {
        std::filesystem::create_directories(dir_.file("home"));
        std::filesystem::create_directories(dir_.file("tmp"));
    }

    const TempDir& dir() const { return dir_; }
    // Where the user's program data goes: the XDG data folder, LocalAppData on Windows.
    std::string userData(const std::string& relative = {}) const {
#ifdef _WIN32
        return dir_.file("home/AppData/Local/" + relative);
#else
        return dir_.file("home/.local/share/" + relative);
#endif
    }
    std::string machineFolder() const {
        return dir_.file("machine");
    }
    std::string userHiveFile() const {
        return dir_.file("home/.config/zorbit/registry.db");
    }
    std::string machineHiveFile() const {
        return machineFolder() + "/registry.db";
    }
    // Lets other users reach the machine folder (mkdtemp makes the root 0700).
    void openToOtherUsers() const {
        std::error_code ignored;
        std::filesystem::permissions(dir_.path(), std::filesystem::perms(0755),
                                     std::filesystem::perm_options::replace, ignored);
    }

private:
    TempDir dir_;
    ScopedEnv home_, config_, data_, cache_, tmp_, machine_;
    PrivateRegistry registry_;
};

inline std::string readWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
