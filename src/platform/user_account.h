#pragma once
// The user the launcher runs for.

#include <optional>
#include <string>

namespace platform {

// The logged-on user's account name; empty when the system cannot tell.
std::string userName();

// The user an administrator's run acts for: the one who elevated it. Its
// per-user state stays that user's, as an elevated program on Windows keeps
// the same user's hive. Empty when the process runs as itself.
struct InvokingUser {
    unsigned uid = 0;
    unsigned gid = 0;
    std::string home;
};
std::optional<InvokingUser> invokingUser();

// Gives the invoking user back every file and folder this process created in
// that user's home (the per-user configuration, data, cache, runtime and
// desktop folders), so the user's own runs can still change them.
void handCreatedFilesToInvokingUser();

}  // namespace platform
