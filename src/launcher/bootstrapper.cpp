#include "launcher/bootstrapper.h"

#include <cstdlib>

#include "base/errors.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "install/file_deployer.h"
#include "install/self_update.h"
#include "platform/clock.h"
#include "platform/event.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/shared_memory.h"
#include "telemetry/metrics_series.h"
#include "ui/progress_dialog.h"

Bootstrapper::Bootstrapper(void* instanceHandle) : instance(instanceHandle) {
    mainThreadId = platform::currentThreadId();
    // Taken out of the environment, so Studio and its launchers start afresh.
    handedOver = !platform::takeEnvironmentValue(kHandOverVariable).empty();
    finishEvent_ = platform::Event::createUnnamed(false, false);
    dialog_ = std::make_unique<CProgressDialog>(instance);
    dialog_->showCancel(false);
    logger_ = std::make_unique<simple_logger>("log");
    constructionTick = platform::tickCount();

    logger_->log("Bootstrapper::Bootstrapper");
    logger_->log("Main threadID %d", static_cast<int>(mainThreadId));
    const platform::UtcTime now = platform::utcNow();
    logger_->log("Start time: %s", format("%02d-%02d-%d %02d:%02d:%02d", now.month, now.day,
                                          now.year, now.hour, now.minute, now.second)
                                       .c_str());
    std::srand(platform::tickCount());
    correlationId = std::rand() % 32768;

    installHost_ = resourceString(resource_id::kInstallHost);
    logger_->log("installHost: %s", installHost_.c_str());
    baseHost_ = resourceString(resource_id::kBaseHost);
    logger_->log("baseHost: %s", baseHost_.c_str());
}

// Out of line so the owned types are complete here.
Bootstrapper::~Bootstrapper() = default;

void Bootstrapper::reportProgress(int64_t done, int64_t total) {
    const int64_t percent = total == 0 ? 0 : done * 100 / total;
    if (dialog_) dialog_->setProgress(static_cast<int>(percent));
}

void Bootstrapper::checkCancel() {
    if (cancelled) throw cancel_exception(true);
    std::lock_guard guard(errorsMutex_);
    if (errors_.empty()) return;
    std::string text = "previous error ";
    for (size_t i = 0; i < errors_.size(); ++i)
        text += format("%d: %s ", static_cast<int>(i + 1), errors_[i].c_str());
    throw previous_error(text);
}

void Bootstrapper::reportError(const std::exception& e) {
    logger_->log("ERROR: %s", e.what());
    bool first;
    {
        std::lock_guard guard(errorsMutex_);
        first = errors_.empty();
        errors_.push_back(e.what());
    }
    // Only the first error of a run reaches the user.
    if (first && interactive && dialog_)
        dialog_->showError("An error occurred while starting " + displayName(),
                           std::string(e.what()));
}

const std::vector<std::string> Bootstrapper::errorsSnapshot() {
    std::lock_guard guard(errorsMutex_);
    return errors_;
}

void Bootstrapper::onCancel() {
    cancelTime = platform::unixTimeSeconds();
    cancelled = true;
}

void Bootstrapper::cancelOnTerminationRequest() {
    logger_->log("Bootstrapper - termination requested, cancelling");
    if (interactive && !silent) {
        dialog_->requestCancel();
        return;
    }
    onCancel();
    // A silent run's entry waits for the finish event; a quiet run sees the
    // flag at its next cancellation check.
    if (silent) finishEvent_->set();
}

void Bootstrapper::setUiMessage(const std::string& text) {
    logger_->log("UI Message: %s", text.c_str());
    if (dialog_) dialog_->setMessage(text);
}

void Bootstrapper::setDialog(std::unique_ptr<CMainDialog> dialog) {
    dialog_ = std::move(dialog);
}

void Bootstrapper::notifyWaiters() {
    std::lock_guard guard(wakeMutex);
    runFinished = true;
    wakeCondition.notify_all();
}

void Bootstrapper::initAnalytics() {
    analyticsSample = std::rand() % 10000;
    configureMetricsWriter(launcherExeName(), influxUrl(), influxDatabase(), influxUser(),
                           influxPassword());
    setMetricsVersion(moduleFileVersion());
    setMetricsLocation("");
}

void Bootstrapper::CreateProcess(simple_logger& logger, const std::string& module,
                                 const std::string& arguments, platform::ProcessInfo& info,
                                 const std::vector<std::string>& extraEnvironment) {
    logger.log("Bootstrapper::CreateProcess module = %s, args = %s", module.c_str(),
               arguments.c_str());
    std::string commandLine = !module.empty() && module[0] == '"' ? module : "\"" + module + "\"";
    commandLine += " " + arguments;
    if (!platform::startProcess(commandLine, info, extraEnvironment))
        throw std::runtime_error(format("CreateProcess %s failed", module.c_str()) + ": " +
                                 lastErrorText());
}
