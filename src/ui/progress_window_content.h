#pragma once
// The product's look in the progress window: its logos and the texts of the
// window's buttons and success screen.

#include "platform/window_system.h"

// The platform's brand logo, for the launcher's own dialogs.
platform::ProgressWindowContent brandWindowContent();
// The Studio's logo, for the Studio's install dialog.
platform::ProgressWindowContent studioWindowContent();
