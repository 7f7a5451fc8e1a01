#include "ui/studio_progress_dialog.h"

CStudioProgressDialog::CStudioProgressDialog(void* instance, Bootstrapper* bootstrapper)
    : CProgressDialog(instance), bootstrapper_(bootstrapper) {}

void CStudioProgressDialog::create() { createMainWindow(); }
