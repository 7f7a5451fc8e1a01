#include <cctype>
#include <charconv>

#include "platform/http_transport.h"

namespace platform {
namespace {

bool startsWithNoCase(const std::string& text, const char* prefix) {
    for (size_t i = 0; prefix[i]; ++i) {
        if (i >= text.size()) return false;
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<std::string> HttpResponseHead::header(const std::string& name) const {
    for (const auto& [key, value] : headers)
        if (key.size() == name.size() && startsWithNoCase(key, name.c_str())) return value;
    return std::nullopt;
}

void HttpResponseHead::addLine(const char* data, size_t size) {
    std::string line(data, size);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (line.rfind("HTTP/", 0) == 0) {
        *this = HttpResponseHead();
        statusSeen = true;
        const size_t codeAt = line.find(' ');
        if (codeAt == std::string::npos) return;
        const char* first = line.data() + codeAt + 1;
        const char* last = line.data() + line.size();
        const auto parsed = std::from_chars(first, last, status);
        if (parsed.ptr < last && *parsed.ptr == ' ')
            reason = line.substr(parsed.ptr + 1 - line.data());
        return;
    }
    if (line.empty()) {
        complete = statusSeen;
        return;
    }
    const size_t colon = line.find(':');
    if (colon == std::string::npos) return;
    const std::string value = trimmed(line.substr(colon + 1));
    headers.emplace_back(trimmed(line.substr(0, colon)), value);
    if (startsWithNoCase(line, "etag:")) {
        if (!etag) etag = value;
    } else if (startsWithNoCase(line, "content-length:")) {
        int64_t length = -1;
        const auto parsed = std::from_chars(value.data(), value.data() + value.size(), length);
        if (parsed.ec == std::errc()) contentLength = length;
    }
}

}  // namespace platform
