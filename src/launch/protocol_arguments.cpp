// A browser link's keys turned into the Studio's launch parameters.
#include "launch/protocol_arguments.h"

#include "base/format.h"
#include "base/logger.h"
#include "launch/launch_options.h"
#include "platform/event.h"
#include "platform/guid.h"

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string valueOf(const ProtocolArguments& arguments, const char* key) {
    auto it = arguments.find(key);
    return it == arguments.end() ? std::string() : it->second;
}

}  // namespace

std::optional<std::string> unescapeUrl(const std::string& text, size_t limit) {
    std::string decoded;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
        } else {
            const int high = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
            if (high < 0 || low < 0) return std::nullopt;
            decoded += static_cast<char>(high * 16 + low);
            i += 2;
        }
        if (decoded.size() + 1 > limit) return std::nullopt;
    }
    return decoded;
}

std::string newReadyEventName() {
    const platform::Guid g = platform::newGuid();
    return format("ZBT-%d-%u-%u-%u%u%u%u%u%u%u%u", static_cast<int32_t>(g.data1), g.data2, g.data3,
                  g.data4[0], g.data4[1], g.data4[2], g.data4[3], g.data4[4], g.data4[5],
                  g.data4[6], g.data4[7]);
}

std::unique_ptr<platform::Event> applyProtocolArguments(const ProtocolArguments& arguments,
                                                        const std::string& baseHost,
                                                        const std::string& browserTrackerId,
                                                        LaunchOptions& launchOptions,
                                                        simple_logger& logger) {
    const std::string mode = valueOf(arguments, "launchmode");
    if (mode == "build") launchOptions.launchMode = "-build";
    if (mode == "ide") launchOptions.launchMode = "-ide";

    const std::string script = valueOf(arguments, "script");
    if (!script.empty()) {
        launchOptions.script = unescapeUrl(script).value_or(std::string());
        logger.log("BootstrapperZARadada::ProcessProtocolHandlerArgs: scriptUrl, value = %s",
                   launchOptions.script.c_str());
    }
    launchOptions.url = "https://" + baseHost + "/Login/Negotiate.ashx";
    logger.log("BootstrapperZARadada::ProcessProtocolHandlerArgs: AuthUrl, value = %s",
               launchOptions.url.c_str());
    const std::string gameInfo = valueOf(arguments, "gameinfo");
    if (!gameInfo.empty()) {
        launchOptions.ticket = gameInfo;
        logger.log("BootstrapperZARadada::ProcessProtocolHandlerArgs: gameInfo, value = %s",
                   gameInfo.c_str());
    }
    const auto avatar = arguments.find("avatar");
    if (avatar == arguments.end() || avatar->second.empty() || avatar->second == "true")
        launchOptions.avatar = "-avatar";
    if (!browserTrackerId.empty()) {
        launchOptions.browserTrackerId = browserTrackerId;
        logger.log(
            "BootstrapperZARadada::ProcessProtocolHandlerArgs = browserTrackerId, value = %s",
            browserTrackerId.c_str());
    }
    launchOptions.readyEvent = newReadyEventName();
    return platform::Event::createNamed(launchOptions.readyEvent, false, false);
}
