#pragma once
// Starting the Studio with its arguments and waiting until it says it is up.

#include <functional>
#include <string>

#include "launch/launch_options.h"

class CMainDialog;
class simple_logger;
namespace platform {
struct ProcessInfo;
}

// What starting the Studio needs of the run.
struct StudioStart {
    // The install-success screen is shown instead of starting anything.
    bool successPromptInstead = false;
    CMainDialog* dialog = nullptr;
    // The event the Studio signals once it is up.
    std::string startedEventName;
    const LaunchOptions& options;
    // In: the arguments so far; out: with the started event and the options.
    std::string& appArguments;
    // Starts the Studio's executable with the arguments, or throws.
    std::function<void(const std::string& arguments, platform::ProcessInfo& process)> startApp;
    // Records the run's time so far under the metric's name.
    std::function<void(const std::string& metric)> markTime;
};

// Starts the Studio, waits for its started event (ten seconds at most) and then
// hands it the ready event the launch options name.
void startZorbitApp(const StudioStart& start, simple_logger& logger);
