#include <ifaddrs.h>
#include <net/if.h>

#include "platform/network_state.h"

namespace platform {

bool isNetworkAlive() {
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) != 0) return false;
    bool alive = false;
    for (ifaddrs* entry = interfaces; entry && !alive; entry = entry->ifa_next) {
        const unsigned flags = entry->ifa_flags;
        alive = (flags & IFF_UP) && (flags & IFF_RUNNING) && !(flags & IFF_LOOPBACK);
    }
    ::freeifaddrs(interfaces);
    return alive;
}

}  // namespace platform
