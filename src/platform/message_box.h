#pragma once
// Message boxes with the window system's button and icon codes.

#include <string>

namespace platform {

enum MessageBoxType : unsigned {
    kMbOk = 0x0,
    kMbOkCancel = 0x1,
    kMbYesNo = 0x4,
    kMbIconHand = 0x10,
    kMbIconQuestion = 0x20,
    kMbIconExclamation = 0x30,
    kMbIconWarning = 0x30,
    kMbIconInformation = 0x40,
};

enum MessageBoxAnswer : int {
    kIdNone = 0,  // no box could be shown
    kIdOk = 1,
    kIdCancel = 2,
    kIdYes = 6,
    kIdNo = 7,
};

// Shows the box through the window system when there is one, else asks on the
// terminal; with neither, prints it and answers what a failed box answers (0),
// or OK for a box that offers nothing else.
int messageBox(const std::string& text, const std::string& caption, unsigned type);

}  // namespace platform
