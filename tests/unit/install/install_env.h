#pragma once
// Points every folder the launcher uses at a scoped temporary folder.

#include "support/private_registry.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

struct InstallEnv {
    TempDir temp;
    ScopedEnv home{"HOME", temp.path()};
    ScopedEnv tmp{"TMPDIR", temp.path() + "/"};
    ScopedEnv data{"XDG_DATA_HOME", temp.path() + "/data"};
    ScopedEnv config{"XDG_CONFIG_HOME", temp.path() + "/config"};
    ScopedEnv cache{"XDG_CACHE_HOME", temp.path() + "/cache"};
    PrivateRegistry registry{temp.path()};

    // Where the user's program data goes: the XDG data folder, LocalAppData on Windows.
    std::string userData(const std::string& relative) const {
#ifdef _WIN32
        return temp.file("home/AppData/Local/" + relative);
#else
        return temp.file("data/" + relative);
#endif
    }
};
