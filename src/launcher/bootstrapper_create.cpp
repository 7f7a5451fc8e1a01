// Making the run's Bootstrapper and starting its threads by mode.
#include <chrono>
#include <thread>

#include "launcher/bootstrapper.h"
#include "platform/named_mutex.h"
#include "platform/process.h"
#include "platform/termination_request.h"
#include "ui/main_dialog.h"

std::shared_ptr<Bootstrapper> Bootstrapper::Create(void* instance, const Factory& factory) {
    std::shared_ptr<Bootstrapper> self(factory(instance));
    self->selfReference = self;
    platform::setTerminationHandler([weak = std::weak_ptr<Bootstrapper>(self)] {
        if (auto bootstrapper = weak.lock()) bootstrapper->cancelOnTerminationRequest();
    });
    self->initialize();

    if (self->interactive) {
        std::thread([self] { self->run(); }).detach();
        if (self->windowDelaySeconds != 0) {
            std::thread([self] { self->showWindowAfterDelay(); }).detach();
        } else if (self->uninstallMode) {
            self->logger().log(
                "Bootstrapper::Create delay showing dialog window due to uninstall, thread id = %d",
                static_cast<int>(platform::currentThreadId()));
            self->dialog()->addShowRequest(1);
        } else {
            self->logger().log("Bootstrapper::Create showing dialog window, thread id = %d",
                               static_cast<int>(platform::currentThreadId()));
            self->dialog()->show();
        }
    } else if (self->backgroundNoRun) {
        self->loadSettings();
        self->afterSettingsLoaded();
        self->initAnalytics();
        self->afterModeSetup();
    } else if (self->allowSyncRun()) {
        platform::NamedMutex appMutex(self->appMutexName());
        if (appMutex.wait(1) == platform::WaitResult::Timeout) {
            self->logger().log("No bg update, Zorbit App is running");
            return self;
        }
        platform::NamedMutex launcherMutex(self->launcherMutexName());
        if (launcherMutex.wait(1) == platform::WaitResult::Timeout) {
            self->logger().log("No bg update, Bootstrapper is running");
            appMutex.release();
            return self;
        }
        self->logger().log("Running bootstrapper in sync mode");
        self->run();
        launcherMutex.release();
        appMutex.release();
        self->afterModeSetup();
    }
    return self;
}

void Bootstrapper::showWindowAfterDelay() {
    {
        std::unique_lock lock(wakeMutex);
        const auto deadline =
            std::chrono::system_clock::now() + std::chrono::seconds(windowDelaySeconds);
        if (wakeCondition.wait_until(lock, deadline, [this] { return runFinished; })) return;
    }
    logger().log("Bootstrapper::showWindowAfterDelay showing window, thread id = %d",
                 static_cast<int>(platform::currentThreadId()));
    if (silent) return;
    dialog()->addShowRequest(1);
}
