#pragma once

#include <optional>
#include <string>

// Percent-decoding; nothing when a "%" is not followed by two hexadecimal digits
// or when the decoded text and its terminator would pass the limit.
std::optional<std::string> unescapeUrl(const std::string& text, size_t limit = 1024);

// The name of a new ready event: "ZBT-%d-%d-%d-%d%d%d%d%d%d%d%d" from a new GUID.
std::string newReadyEventName();
