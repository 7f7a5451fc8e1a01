#pragma once
// Administrator rights: the effective user is root; elevation asks the system's
// authentication agent to start a program as root.

#include <string>
#include <vector>

namespace platform {

bool isElevated();
// True when the system has a way to ask the user for administrator rights.
bool elevationPromptAvailable();
// Starts the program as root with exactly these arguments. False with the last
// error set when it cannot be started.
bool startElevated(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace platform
