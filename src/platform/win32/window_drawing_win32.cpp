// The progress window's parts drawn with GDI, in the same geometry and colours
// on every Windows theme.
#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/window_drawing.h"

namespace platform::win32 {
namespace {

// Point sizes at the window's fixed 96 pixels per inch: the layout is in pixels.
HFONT createFont(const TextStyle& style) {
    return CreateFontW(-MulDiv(style.pointSize, 96, 72), 0, 0, 0, style.bold ? FW_BOLD : FW_NORMAL,
                       FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

std::vector<std::wstring> splitLines(const std::wstring& text) {
    std::vector<std::wstring> lines(1);
    for (wchar_t c : text) {
        if (c == L'\n') {
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

void outlineWith(HDC dc, COLORREF fill, COLORREF edge) {
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SelectObject(dc, GetStockObject(DC_PEN));
    SetDCBrushColor(dc, fill);
    SetDCPenColor(dc, edge);
}

}  // namespace

void fillBox(HDC dc, const Box& box, COLORREF color) {
    RECT area{box.x, box.y, box.x + box.w, box.y + box.h};
    SetDCBrushColor(dc, color);
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void frameBox(HDC dc, const Box& box, COLORREF color) {
    RECT area{box.x, box.y, box.x + box.w, box.y + box.h};
    SetDCBrushColor(dc, color);
    FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void drawCentredText(HDC dc, const std::string& text, const Box& box, const TextStyle& style,
                     int lineSpacing) {
    HFONT font = createFont(style);
    HGDIOBJ previous = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, style.color);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    const std::vector<std::wstring> lines = splitLines(toWide(text));
    const int lineHeight = metrics.tmHeight + lineSpacing;
    const int total = lineHeight * static_cast<int>(lines.size()) - lineSpacing;
    int top = box.y + (box.h - total) / 2;
    for (const std::wstring& line : lines) {
        RECT row{box.x, top, box.x + box.w, top + metrics.tmHeight};
        DrawTextW(dc, line.c_str(), static_cast<int>(line.size()), &row,
                  DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_NOCLIP);
        top += lineHeight;
    }
    SelectObject(dc, previous);
    DeleteObject(font);
}

void drawButton(HDC dc, const Box& box, const std::string& label, bool hover, bool primary) {
    if (primary) {
        outlineWith(dc, hover ? RGB(0, 150, 60) : RGB(0, 176, 72), RGB(0, 130, 52));
    } else {
        outlineWith(dc, hover ? RGB(236, 236, 236) : RGB(255, 255, 255), RGB(160, 160, 160));
    }
    RoundRect(dc, box.x, box.y, box.x + box.w, box.y + box.h, 8, 8);
    const TextStyle style =
        primary ? TextStyle{11, true, RGB(255, 255, 255)} : TextStyle{11, false, RGB(60, 60, 60)};
    drawCentredText(dc, label, box, style);
}

void drawLogo(HDC dc, const WindowLogo& logo) {
    const COLORREF color = RGB(logo.red, logo.green, logo.blue);
    outlineWith(dc, color, color);
    const Box& b = kLogoBox;
    if (logo.shape == WindowLogo::Shape::RoundedSquare) {
        RoundRect(dc, b.x, b.y, b.x + b.w, b.y + b.h, 28, 28);
    } else {
        Ellipse(dc, b.x, b.y, b.x + b.w, b.y + b.h);
    }
    drawCentredText(dc, logo.letter, kLogoBox, {44, true, RGB(255, 255, 255)});
}

}  // namespace platform::win32
