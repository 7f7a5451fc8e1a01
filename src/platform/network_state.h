#pragma once

namespace platform {

// True when a network interface other than loopback is up.
bool isNetworkAlive();

}  // namespace platform
