#pragma once

#include <string>

// The Studio's launch parameters, from the command line or a browser link.
struct LaunchOptions {
    std::string fileLocation;
    std::string url;
    std::string ticket;
    std::string script;
    std::string readyEvent;
    std::string showEvent;
    std::string launchMode;
    std::string avatar;
    std::string browserTrackerId;
};
