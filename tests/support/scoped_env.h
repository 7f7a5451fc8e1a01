#pragma once
// Sets an environment variable for one test and restores it afterwards.

#include <cstdlib>
#include <optional>
#include <string>

#include "support/test_process.h"

class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) old_ = old;
        test_process::setEnvironmentValue(name_, value);
    }
    ~ScopedEnv() {
        if (old_) {
            test_process::setEnvironmentValue(name_, *old_);
        } else {
            test_process::removeEnvironmentValue(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};
