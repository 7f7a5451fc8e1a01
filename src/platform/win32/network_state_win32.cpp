#include <windows.h>
// After windows.h:
#include <sensapi.h>

#include "platform/network_state.h"

namespace platform {

// The system's own answer; a failed call counts as no network, as does an
// answer with no kind of connection in it.
bool isNetworkAlive() {
    DWORD flags = 0;
    return ::IsNetworkAlive(&flags) != 0 && flags != 0;
}

}  // namespace platform
