#pragma once
// The Studio's progress window: the Studio logo, and a success screen after a
// fresh install with "Launch Studio" and a link to the developer page.

#include "ui/progress_dialog.h"

class Bootstrapper;

class CStudioProgressDialog : public CProgressDialog {
public:
    CStudioProgressDialog(void* instance, Bootstrapper* bootstrapper);
    void create() override;

private:
    Bootstrapper* bootstrapper_;
};
