#pragma once
// The Studio's progress window: the Studio logo, and a success screen after a
// fresh install with "Launch Studio" and a link to the developer page.

#include <functional>
#include <string>

#include "ui/progress_dialog.h"

// What the window asks of the run. Any of them may be empty: the window then
// does without (no Studio is started, the page has no host, nothing is logged).
struct StudioDialogActions {
    std::function<void()> launchStudio;
    std::function<std::string()> baseHost;
    std::function<void(const std::string& line)> log;
};

class CStudioProgressDialog : public CProgressDialog {
public:
    CStudioProgressDialog(void* instance, StudioDialogActions actions);
    void create() override;
    void showSuccess() override;

    // The developer page of the base host, with "http://" in front unless it
    // starts with "www." or "http:".
    static std::string developerPageUrl(const std::string& baseHost);

protected:
    // Whether a Studio or player of this user runs: the success screen then goes.
    virtual bool zorbitAppRunning() const;

private:
    void onLaunchPressed();
    void openDeveloperPage();
    void launchStudio();
    void log(const std::string& line);

    StudioDialogActions actions_;
};
