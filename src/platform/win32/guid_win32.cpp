#include <objbase.h>

#include <cstring>

#include "platform/guid.h"

namespace platform {

// CoCreateGuid makes version 4 GUIDs from the system's random source and
// needs no COM initialization.
Guid newGuid() {
    GUID made{};
    ::CoCreateGuid(&made);
    Guid guid{};
    guid.data1 = made.Data1;
    guid.data2 = made.Data2;
    guid.data3 = made.Data3;
    std::memcpy(guid.data4.data(), made.Data4, sizeof made.Data4);
    return guid;
}

}  // namespace platform
