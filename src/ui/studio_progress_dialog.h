#pragma once
// The Studio's progress window: the Studio logo, and a success screen after a
// fresh install with "Launch Studio" and a link to the developer page.

#include "ui/progress_dialog.h"

class Bootstrapper;

class CStudioProgressDialog : public CProgressDialog {
public:
    CStudioProgressDialog(void* instance, Bootstrapper* bootstrapper);
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

    Bootstrapper* bootstrapper_;
};
