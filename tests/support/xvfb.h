#pragma once
// A private X server (Xvfb) for the tests that draw windows.

#include <string>

class Xvfb {
public:
    Xvfb();   // starts it and sets DISPLAY; running() tells whether that worked
    ~Xvfb();  // stops it
    bool running() const { return pid_ > 0; }
    const std::string& display() const { return display_; }

private:
    int pid_ = -1;
    std::string display_;
};
