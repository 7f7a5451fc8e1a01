#pragma once
// Globally unique identifiers, random (version 4) as the system makes them.

#include <array>
#include <cstdint>
#include <string>

namespace platform {

struct Guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    std::array<uint8_t, 8> data4;
};

Guid newGuid();

// Upper-case "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string guidToString(const Guid& guid);

}  // namespace platform
