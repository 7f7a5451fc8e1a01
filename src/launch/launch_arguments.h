#pragma once

#include <string>

#include "launch/launch_options.h"

// The Studio's parameter text: the launch mode, then "-url", "-ticket",
// "-script", "-readyEvent", "-showEvent" with their values, "-avatar" and
// "-browserTrackerId". Every value is quoted as the command-line rules need, so
// a value from a web page reaches the Studio as exactly one argument.
std::string buildLaunchArguments(const LaunchOptions& options);
