#pragma once
// A Studio Bootstrapper for unit tests: its log and temporary files go to a
// private folder, and its dialog is silent.

#include <memory>
#include <string>
#include <vector>

#include "launcher/bootstrapper_zaradada.h"
#include "support/file_contents.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

class TestBootstrapperEnvironment {
public:
    TestBootstrapperEnvironment()
        : tmp_("TMPDIR", dir_.path()),
          config_("XDG_CONFIG_HOME", dir_.file("config")),
          data_("XDG_DATA_HOME", dir_.file("data")),
          cache_("XDG_CACHE_HOME", dir_.file("cache")) {}
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    ScopedEnv tmp_;
    ScopedEnv config_;
    ScopedEnv data_;
    ScopedEnv cache_;
};

// Makes a Studio Bootstrapper that has parsed the given arguments (the program
// name is added in front).
std::shared_ptr<BootstrapperZARadada> parsedBootstrapper(const std::vector<std::string>& arguments);
