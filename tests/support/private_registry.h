#pragma once
// The registry and the known folders of one test, in its sandbox folder. On
// Linux both follow the environment the sandbox sets, so there is nothing to do;
// on Windows the registry is the system's, so the test's hives are keys of their
// own that the process sees in place of HKCU and HKLM, and the shell's folder
// values in them point into the sandbox folder.

#include <string>

class PrivateRegistry {
public:
    explicit PrivateRegistry(const std::string& folder);
    ~PrivateRegistry();
    PrivateRegistry(const PrivateRegistry&) = delete;
    PrivateRegistry& operator=(const PrivateRegistry&) = delete;

private:
    std::string key_;
};
