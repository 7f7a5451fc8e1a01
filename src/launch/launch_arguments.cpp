#include "launch/launch_arguments.h"

#include "platform/process.h"

std::string buildLaunchArguments(const LaunchOptions& p) {
    std::string text = p.launchMode;
    auto append = [&](const char* option, const std::string& value) {
        if (!value.empty())
            text += std::string(" ") + option + " " + platform::quoteArgument(value);
    };
    append("-url", p.url);
    append("-ticket", p.ticket);
    append("-script", p.script);
    append("-readyEvent", p.readyEvent);
    append("-showEvent", p.showEvent);
    if (!p.avatar.empty()) text += " -avatar";
    append("-browserTrackerId", p.browserTrackerId);
    return text;
}
