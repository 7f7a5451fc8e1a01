#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

class simple_logger;
struct LaunchOptions;
namespace platform {
class Event;
}

// A browser link's keys (lower case) and their values.
using ProtocolArguments = std::map<std::string, std::string>;

// Percent-decoding; nothing when a "%" is not followed by two hexadecimal digits
// or when the decoded text and its terminator would pass the limit.
std::optional<std::string> unescapeUrl(const std::string& text, size_t limit = 1024);

// The name of a new ready event: "ZBT-%d-%d-%d-%d%d%d%d%d%d%d%d" from a new GUID.
std::string newReadyEventName();

// Lays a browser link's keys over the launch options: the mode, the script, the
// sign-in URL on the base host, the ticket, the avatar and the browser tracker.
// Answers the new ready event the options now name (null when it cannot be made).
std::unique_ptr<platform::Event> applyProtocolArguments(const ProtocolArguments& arguments,
                                                        const std::string& baseHost,
                                                        const std::string& browserTrackerId,
                                                        LaunchOptions& launchOptions,
                                                        simple_logger& logger);
