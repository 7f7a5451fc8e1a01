#pragma once
// The question shown about a Studio that will not close.

#include <cstdint>
#include <string>

class CMainDialog;

class CShutdownDialog {
public:
    virtual ~CShutdownDialog() = default;
    // True once the user has answered, with the button's code in result.
    virtual bool answer(int32_t& result) = 0;
    virtual void unused() {}
};

class CShutdownLegacyDialog : public CShutdownDialog {
public:
    // Asks at once, modal to the progress window.
    CShutdownLegacyDialog(const std::string& title, CMainDialog& parent);
    bool answer(int32_t& result) override {
        result = answer_;
        return true;
    }

private:
    int32_t answer_;
};

// How long a running Studio is given to close (15 seconds; tests shorten it).
void setShutdownTimeoutSeconds(int seconds);
