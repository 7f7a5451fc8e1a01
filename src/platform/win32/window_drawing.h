#pragma once
// GDI drawing of the progress window's parts: text, buttons and the logo.

#include <windows.h>

#include <string>

#include "platform/win32/window_layout.h"
#include "platform/window_system.h"

namespace platform::win32 {

struct TextStyle {
    int pointSize;
    bool bold;
    COLORREF color;
};

void fillBox(HDC dc, const Box& box, COLORREF color);
void frameBox(HDC dc, const Box& box, COLORREF color);
// Centred in the box, each line of the text on its own; ends in "..." when too wide.
void drawCentredText(HDC dc, const std::string& text, const Box& box, const TextStyle& style,
                     int lineSpacing = 0);
void drawButton(HDC dc, const Box& box, const std::string& label, bool hover, bool primary);
void drawLogo(HDC dc, const WindowLogo& logo);

}  // namespace platform::win32
