#include "ui/progress_window_content.h"

namespace {

platform::ProgressWindowContent withLogo(const platform::WindowLogo& logo) {
    platform::ProgressWindowContent content;
    content.logo = logo;
    content.cancelLabel = "Cancel";
    content.successBanner =
        "ZORBIT STUDIO IS SUCCESSFULLY INSTALLED!\nClick Launch Studio to start building a game";
    content.launchLabel = "Launch Studio";
    content.linkLabel = "Back to Develop page";
    return content;
}

}  // namespace

platform::ProgressWindowContent brandWindowContent() {
    return withLogo({platform::WindowLogo::Shape::Disc, 226, 35, 26, "Z"});
}

platform::ProgressWindowContent studioWindowContent() {
    return withLogo({platform::WindowLogo::Shape::RoundedSquare, 0, 162, 255, "Z"});
}
