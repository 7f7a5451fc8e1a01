#pragma once
// Running Studio processes are closed before their files change, and a launcher
// that a newer one has overtaken gives way to it.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CMainDialog;
class IInstallerSite;
class simple_logger;
namespace platform {
class SharedMemory;
}

// A background run never closes a running Studio: it ends quietly instead
// (silent_exception) when one of the image runs.
void giveWayToRunningApp(simple_logger& logger, bool background, const std::string& imageName);

// One tick of the wait for a Studio to close, with the wait's own counter;
// false stops the wait.
using ShutdownProgress = std::function<bool(int& counter, int tick, int total)>;

// Asks every process of the image to close and waits for each; asks the user
// (modal to dialog) about one that will not close. title: the product's name
// as the user knows it.
void shutdownRunningApp(const std::string& imageName, const std::string& title, CMainDialog& dialog,
                        const ShutdownProgress& progress);

// What the wait for closing Studios shows and asks of the run.
struct ShutdownWaitView {
    std::string displayName;
    CMainDialog& dialog;
    // Shows the wait on the progress bar.
    IInstallerSite& site;
    // The run was cancelled or an error was reported.
    std::function<bool()> stopped;
    std::function<void(const std::string& text)> setUiMessage;
};

// After a second the wait names itself on the progress window; false once the
// run has stopped.
bool shutdownProgress(int& counter, int tick, int total, const ShutdownWaitView& view);

// The block naming the newest launcher of a product and install host.
std::string latestProcessName(const std::string& baseHost, const std::string& installHost,
                              const std::string& productName);
// Records this process as the newest launcher; null (logged) when the block
// cannot be made.
std::unique_ptr<platform::SharedMemory> registerLatestProcess(simple_logger& logger,
                                                              const std::string& name);
// Whether no later launcher has recorded itself; true without a record.
bool isLatestProcess(simple_logger& logger, platform::SharedMemory* mapping);
