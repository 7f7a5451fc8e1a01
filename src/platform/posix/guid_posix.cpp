#include <sys/random.h>

#include <cstring>
#include <random>

#include "platform/guid.h"

namespace platform {
namespace {

void fillRandom(uint8_t* bytes, size_t size) {
    size_t filled = 0;
    while (filled < size) {
        const ssize_t got = ::getrandom(bytes + filled, size - filled, 0);
        if (got <= 0) break;
        filled += static_cast<size_t>(got);
    }
    if (filled < size) {
        // getrandom cannot fail on a sane kernel; keep the GUID usable anyway.
        static thread_local std::mt19937_64 fallback{std::random_device{}()};
        for (; filled < size; ++filled) bytes[filled] = static_cast<uint8_t>(fallback());
    }
}

}  // namespace

Guid newGuid() {
    uint8_t bytes[16];
    fillRandom(bytes, sizeof bytes);
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    Guid guid{};
    std::memcpy(&guid.data1, bytes, 4);
    std::memcpy(&guid.data2, bytes + 4, 2);
    std::memcpy(&guid.data3, bytes + 6, 2);
    std::memcpy(guid.data4.data(), bytes + 8, 8);
    // data3 must read as 4xxx whatever the byte order.
    guid.data3 = static_cast<uint16_t>((guid.data3 & 0x0FFF) | 0x4000);
    return guid;
}

}  // namespace platform
