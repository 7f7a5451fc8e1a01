#pragma once
// The registry store: hives of keys and named values kept in SQLite.

namespace platform {

class RegistryKey {
public:
    virtual ~RegistryKey() = default;
};

}  // namespace platform
