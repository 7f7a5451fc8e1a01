#pragma once
// The user's or the system's request that the program end (Ctrl-C or a
// termination signal on a terminal, a console close on Windows), handed to
// the program as a call on a thread of its own, so a run can end the way its
// Cancel button ends it.

#include <functional>

namespace platform {

// Installs the handler (replacing an earlier one). While a handler runs or has
// run, a second request ends the process at once, as an unhandled one would.
void setTerminationHandler(std::function<void()> handler);

}  // namespace platform
