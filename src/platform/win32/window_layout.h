#pragma once
// Where the progress window draws what, in client pixels of its 500x320 area.

namespace platform::win32 {

constexpr int kWindowWidth = 500;
constexpr int kWindowHeight = 320;

struct Box {
    int x, y, w, h;
    bool contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
};

constexpr Box kLogoBox{kWindowWidth / 2 - 45, 70, 90, 90};
constexpr Box kMessageBox{5, 200, kWindowWidth - 10, 20};
constexpr Box kBarBox{24, 242, 452, 20};
constexpr Box kCancelBox{kWindowWidth / 2 - 65, kWindowHeight - 55, 130, 44};
constexpr Box kBannerBox{kWindowWidth / 2 - 225, 196, 450, 48};
constexpr Box kLaunchBox{kWindowWidth / 2 - 65, 250, 130, 44};
constexpr Box kLinkBox{kWindowWidth / 2 - 55, kWindowHeight - 24, 110, 14};

}  // namespace platform::win32
