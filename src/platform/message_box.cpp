// Message boxes: the window system's when there is one, else the terminal's.
#include "platform/message_box.h"

#include <cctype>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>

#include "platform/console.h"
#include "platform/window_system.h"

namespace platform {
namespace {

std::mutex terminalLock;

int askOnTerminal(const std::string& text, unsigned buttons) {
    const bool yesNo = buttons == kMbYesNo;
    std::cerr << (yesNo ? "[y/n] " : "[o]k/[c]ancel ") << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer) || answer.empty()) return kIdNone;
    const char first = static_cast<char>(std::tolower(static_cast<unsigned char>(answer[0])));
    (void)text;
    if (yesNo) return first == 'y' ? kIdYes : kIdNo;
    return first == 'o' ? kIdOk : kIdCancel;
}

}  // namespace

int messageBox(const std::string& text, const std::string& caption, unsigned type) {
    if (WindowSystem* windows = WindowSystem::active())
        return windows->messageBox(text, caption, type);
    std::lock_guard guard(terminalLock);
    const unsigned buttons = type & 0xF;
    // A plain box is the program's answer (its version, say): the text alone on
    // standard output. Anything else is a notice on standard error.
    if (type == kMbOk) {
        std::fprintf(stdout, "%s\n", text.c_str());
    } else {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }
    std::fflush(stdout);
    if (buttons == kMbOk) return kIdOk;
    if (!standardInputIsInteractive()) return kIdNone;
    return askOnTerminal(text, buttons);
}

}  // namespace platform
