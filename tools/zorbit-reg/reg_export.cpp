// zorbit-reg export: a key and everything below it as .reg text.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "reg_tool.h"

namespace {

using platform::RegistryKey;

const char* const kHeader = "Zorbit Registry Editor Version 5.00";

std::string quoted(const std::string& text) {
    std::string result = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') result += '\\';
        result += c;
    }
    return result + "\"";
}

// UTF-16LE bytes of UTF-8 text, as the format stores expandable strings.
std::vector<uint8_t> utf16Bytes(const std::vector<uint8_t>& utf8) {
    std::vector<uint8_t> bytes;
    auto put = [&](uint32_t unit) {
        bytes.push_back(static_cast<uint8_t>(unit));
        bytes.push_back(static_cast<uint8_t>(unit >> 8));
    };
    for (size_t i = 0; i < utf8.size();) {
        uint32_t code = utf8[i];
        size_t length = code >= 0xF0 ? 4 : code >= 0xE0 ? 3 : code >= 0xC0 ? 2 : 1;
        if (i + length > utf8.size()) length = 1;
        if (length > 1) code &= 0x7Fu >> length;
        for (size_t k = 1; k < length; ++k) code = (code << 6) | (utf8[i + k] & 0x3F);
        i += length;
        if (code >= 0x10000) {
            code -= 0x10000;
            put(0xD800 + (code >> 10));
            put(0xDC00 + (code & 0x3FF));
        } else {
            put(code);
        }
    }
    return bytes;
}

std::string hexList(const std::vector<uint8_t>& data) {
    std::string text;
    char digits[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(digits, sizeof digits, i ? ",%02x" : "%02x", data[i]);
        text += digits;
    }
    return text;
}

std::string valueLine(const std::string& name, uint32_t type, const std::vector<uint8_t>& data) {
    const std::string left = name.empty() ? "@" : quoted(name);
    const bool terminated = !data.empty() && data.back() == 0;
    if (type == platform::kRegSz && terminated) return left + "=" + quoted(displayData(type, data));
    if (type == platform::kRegDword && data.size() == 4) {
        char text[20];
        const uint32_t value =
            data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
        std::snprintf(text, sizeof text, "dword:%08x", value);
        return left + "=" + text;
    }
    if (type == platform::kRegExpandSz) return left + "=hex(2):" + hexList(utf16Bytes(data));
    if (type == platform::kRegBinary) return left + "=hex:" + hexList(data);
    return left + "=hex(" + std::to_string(type) + "):" + hexList(data);
}

void exportKey(std::ostream& out, const RegOptions& options, const RegistryKey& key,
               const std::string& path) {
    out << "\n[" << keyDisplayName(options, path) << "]\n";
    std::string name;
    for (uint32_t index = 0; key.enumValue(index, name) == platform::kErrorSuccess; ++index) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (key.queryValue(name, type, data) == platform::kErrorSuccess)
            out << valueLine(name, type, data) << "\n";
    }
    for (uint32_t index = 0; key.enumKey(index, name) == platform::kErrorSuccess; ++index) {
        std::unique_ptr<RegistryKey> child;
        if (key.openKey(name, platform::kKeyRead, child) != platform::kErrorSuccess) continue;
        exportKey(out, options, *child, path.empty() ? name : path + "\\" + name);
    }
}

}  // namespace

int runExport(const RegOptions& options) {
    std::unique_ptr<RegistryKey> key;
    check(RegistryKey::root(options.hive).openKey(options.keyPath, platform::kKeyRead, key));
    if (std::filesystem::exists(options.file) && !options.overwriteFile &&
        !confirm("File " + options.file + " already exists. Overwrite (Yes/No)?")) {
        std::cout << "The operation was cancelled by the user.\n";
        return 1;
    }
    std::ofstream out(options.file, std::ios::binary | std::ios::trunc);
    if (!out) throw RegToolError{"Cannot write " + options.file + "."};
    out << kHeader << "\n";
    exportKey(out, options, *key, options.keyPath);
    out << "\n";
    if (!out.flush()) throw RegToolError{"Cannot write " + options.file + "."};
    std::cout << "The operation completed successfully.\n";
    return 0;
}
