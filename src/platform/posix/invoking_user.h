#pragma once
// The user an administrator's run acts for: the one who elevated it (through
// pkexec or sudo). Its per-user state stays that user's, as an elevated
// program on Windows keeps the same user's hive.

#include <optional>
#include <string>

namespace platform {

struct InvokingUser {
    unsigned uid = 0;
    unsigned gid = 0;
    std::string home;
};

// Empty when the process runs as itself.
std::optional<InvokingUser> invokingUser();

}  // namespace platform
