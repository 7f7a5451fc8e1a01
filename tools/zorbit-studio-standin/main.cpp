// The Studio stand-in, published as "ZorbitStudioBeta.exe": records how it was
// started, signals the event named after "-startEvent", waits for the one named
// after "-readyEvent" (bounded), and stays up until asked to close (close_wait.h).
// Options in standin_options.h, files in standin_records.h.
#include <chrono>
#include <thread>

#include "close_wait.h"
#include "platform/event.h"
#include "platform/named_mutex.h"
#include "platform/process.h"
#include "standin_options.h"
#include "standin_records.h"

namespace {

std::string valueAfter(const std::vector<std::string>& args, const std::string& option) {
    for (size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == option) return args[i + 1];
    return "";
}

class Standin {
public:
    Standin(std::vector<std::string> args, const std::string& executable)
        : args_(std::move(args)),
          events_(executable + ".log"),
          options_(loadStandinOptions(executable + ".conf")),
          pid_(static_cast<int>(platform::currentProcessId())) {
        appendArgumentsRecord(executable + ".args", pid_, args_);
        appendEvent(events_, pid_, "started");
    }

    int run(CloseRequests& closeRequests) {
        holdApplicationMutex();
        const std::string log = writeApplicationLog(pid_, args_);
        if (!log.empty()) appendEvent(events_, pid_, "applog " + log);
        signalStarted();
        waitForReady();
        return waitForClose(closeRequests);
    }

private:
    // The Studio holds the application-start mutex while it runs, so quiet
    // background updates keep away. Its name starts with the base host, which
    // the started event's name carries.
    void holdApplicationMutex() {
        const std::string startEvent = valueAfter(args_, "-startEvent");
        const std::string suffix = "/zorbitZARadadaStartedEvent";
        if (startEvent.size() <= suffix.size() ||
            startEvent.compare(startEvent.size() - suffix.size(), suffix.size(), suffix) != 0)
            return;
        const std::string baseHost = startEvent.substr(0, startEvent.size() - suffix.size());
        try {
            appMutex_ =
                std::make_unique<platform::NamedMutex>(baseHost + "/startZorbitZARadadaApp");
            const bool held = appMutex_->wait(0) != platform::WaitResult::Timeout;
            appendEvent(events_, pid_, held ? "app mutex held" : "app mutex busy");
        } catch (const std::exception& e) {
            appendEvent(events_, pid_, std::string("app mutex failed ") + e.what());
        }
    }

    void signalStarted() {
        const std::string name = valueAfter(args_, "-startEvent");
        if (name.empty() || !options_.signalStart) return;
        if (options_.startDelayMs)
            std::this_thread::sleep_for(std::chrono::milliseconds(options_.startDelayMs));
        // Kept open for the whole run, as the Studio holds its handle.
        startEvent_ = platform::Event::openNamed(name);
        if (!startEvent_) {
            appendEvent(events_, pid_, "startEvent missing " + name);
            return;
        }
        startEvent_->set();
        appendEvent(events_, pid_, "startEvent set " + name);
    }

    void waitForReady() {
        const std::string name = valueAfter(args_, "-readyEvent");
        if (name.empty()) return;
        auto ready = platform::Event::openNamed(name);
        if (!ready) {
            appendEvent(events_, pid_, "readyEvent missing " + name);
            return;
        }
        const bool signalled =
            ready->wait(options_.readyTimeoutMs) == platform::WaitResult::Signaled;
        appendEvent(events_, pid_,
                    std::string("readyEvent ") + (signalled ? "signalled " : "timed out ") + name);
    }

    int waitForClose(CloseRequests& closeRequests) {
        const auto deadline =
            options_.lifetimeMs
                ? std::chrono::steady_clock::now() + std::chrono::milliseconds(*options_.lifetimeMs)
                : std::chrono::steady_clock::time_point::max();
        for (;;) {
            const auto left = deadline - std::chrono::steady_clock::now();
            if (left <= std::chrono::steady_clock::duration::zero()) {
                appendEvent(events_, pid_, "lifetime over");
                return options_.exitCode;
            }
            // At most a minute per wait so the deadline arithmetic stays small.
            const auto wait =
                std::min<std::chrono::steady_clock::duration>(left, std::chrono::minutes(1));
            if (!closeRequests.wait(std::chrono::ceil<std::chrono::milliseconds>(wait))) continue;
            if (options_.ignoreTerm) {
                appendEvent(events_, pid_, "close refused");
                continue;
            }
            appendEvent(events_, pid_, "closing");
            std::this_thread::sleep_for(std::chrono::milliseconds(options_.closeDelayMs));
            appendEvent(events_, pid_, "closed");
            return options_.exitCode;
        }
    }

    std::vector<std::string> args_;
    std::string events_;
    StandinOptions options_;
    int pid_;
    std::unique_ptr<platform::Event> startEvent_;
    std::unique_ptr<platform::NamedMutex> appMutex_;
};

}  // namespace

int main(int argc, char** argv) {
    // First, so a close asked for early waits for the stand-in to take it.
    CloseRequests closeRequests;
    std::vector<std::string> args = platform::programArguments(argc, argv);
    std::string executable = platform::executablePath();
    if (executable.empty()) executable = args.at(0);
    args.erase(args.begin());
    Standin standin(std::move(args), executable);
    return standin.run(closeRequests);
}
