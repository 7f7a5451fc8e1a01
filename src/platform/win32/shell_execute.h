#pragma once
// The shell's verbs ("open", "runas") on a file or URL.

#include <string>

namespace platform::win32 {

// Hands the target to the shell with the verb and parameters, no owner window,
// no working folder and the normal show state. False with the last error set
// when the shell cannot do it.
bool shellExecute(const wchar_t* verb, const std::string& target, const std::string& parameters);

}  // namespace platform::win32
