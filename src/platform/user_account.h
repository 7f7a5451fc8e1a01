#pragma once
// The user the launcher runs for.

#include <string>

namespace platform {

// The logged-on user's account name; empty when the system cannot tell.
std::string userName();

// When an administrator's run acts for the user who elevated it, gives that
// user back every file and folder this process created in the user's home
// (the per-user configuration, data, cache, runtime and desktop folders), so
// the user's own runs can still change them. Nothing to do otherwise.
void handCreatedFilesToInvokingUser();

}  // namespace platform
