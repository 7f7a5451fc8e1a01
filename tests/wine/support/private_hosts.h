#pragma once
// Wine resolves host names through the system's resolver, which has no
// address for names under .localhost. The test process gives itself a mount
// namespace in which /etc/hosts also lists every name of the local platform
// server as loopback; the Windows programs it starts inherit it.

#include <string>

// Call before any thread starts. Answers an empty text on success, else why not.
std::string bindPrivateHosts();
