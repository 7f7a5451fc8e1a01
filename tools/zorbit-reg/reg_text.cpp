// Names, texts and data formats of zorbit-reg.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "platform/last_error.h"
#include "reg_tool.h"

namespace {

const struct {
    uint32_t type;
    const char* name;
} kTypeNames[] = {
    {platform::kRegNone, "REG_NONE"},          {platform::kRegSz, "REG_SZ"},
    {platform::kRegExpandSz, "REG_EXPAND_SZ"}, {platform::kRegBinary, "REG_BINARY"},
    {platform::kRegDword, "REG_DWORD"},
};

std::string hexBytes(const std::vector<uint8_t>& data) {
    std::string text;
    char digits[3];
    for (uint8_t byte : data) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        text += digits;
    }
    return text;
}

std::vector<uint8_t> parseHex(const std::string& text) {
    if (text.size() % 2 != 0) throw RegToolError{"Invalid syntax."};
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < text.size(); i += 2) {
        char* end = nullptr;
        const std::string pair = text.substr(i, 2);
        const long value = std::strtol(pair.c_str(), &end, 16);
        if (*end != '\0') throw RegToolError{"Invalid syntax."};
        bytes.push_back(static_cast<uint8_t>(value));
    }
    return bytes;
}

}  // namespace

std::string keyDisplayName(const RegOptions& options, const std::string& path) {
    std::string name = platform::hiveName(options.hive);
    if (!path.empty()) name += "\\" + path;
    return name;
}

std::string statusText(uint32_t status) {
    if (status == platform::kErrorFileNotFound)
        return "The system was unable to find the specified registry key or value.";
    const std::string text =
        platform::systemErrorMessage(static_cast<int32_t>(0x80070000u | (status & 0xFFFFu)));
    return text.empty() ? "Error " + std::to_string(status) + "." : text;
}

void check(uint32_t status) {
    if (status != platform::kErrorSuccess) throw RegToolError{statusText(status)};
}

bool confirm(const std::string& question) {
    std::cout << question << " " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        std::cout << "\n";
        return false;
    }
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

std::string typeName(uint32_t type) {
    for (const auto& entry : kTypeNames)
        if (entry.type == type) return entry.name;
    return "REG_0x" + std::to_string(type);
}

bool parseTypeName(const std::string& name, uint32_t& type) {
    for (const auto& entry : kTypeNames) {
        if (::strcasecmp(name.c_str(), entry.name) == 0) {
            type = entry.type;
            return true;
        }
    }
    return false;
}

std::string displayData(uint32_t type, const std::vector<uint8_t>& data) {
    if ((type == platform::kRegSz || type == platform::kRegExpandSz)) {
        const std::string text(data.begin(), data.end());
        return text.substr(0, text.find('\0'));
    }
    if (type == platform::kRegDword && data.size() == 4) {
        const uint32_t value =
            data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
        char text[16];
        std::snprintf(text, sizeof text, "0x%x", value);
        return text;
    }
    return hexBytes(data);
}

std::vector<uint8_t> encodeData(uint32_t type, const std::string& text) {
    if (type == platform::kRegSz || type == platform::kRegExpandSz) {
        std::vector<uint8_t> bytes(text.begin(), text.end());
        bytes.push_back(0);
        return bytes;
    }
    if (type == platform::kRegDword) {
        if (text.empty()) return {0, 0, 0, 0};
        char* end = nullptr;
        errno = 0;
        const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
        if (*end != '\0' || errno != 0 || value > 0xFFFFFFFFull || text[0] == '-')
            throw RegToolError{"Invalid syntax."};
        std::vector<uint8_t> bytes(4);
        for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
        return bytes;
    }
    return parseHex(text);
}
