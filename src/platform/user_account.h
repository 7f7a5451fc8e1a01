#pragma once
// The user the launcher runs for.

#include <string>

namespace platform {

// The logged-on user's account name; empty when the system cannot tell.
std::string userName();

}  // namespace platform
