#pragma once
// A dialog that records what the run asked of it, for tests.

#include <mutex>
#include <string>
#include <vector>

#include "ui/main_dialog.h"

class RecordingDialog : public CMainDialog {
public:
    int showMessageBox(const std::string& text, const std::string&, unsigned) override {
        record("box:" + text);
        return answer;
    }
    void create() override {}
    void close() override { record("close"); }
    void setMessage(const std::string& text) override { record("message:" + text); }
    void setProgress(int percent) override { record("progress:" + std::to_string(percent)); }
    void showError(const std::string& message, const std::optional<std::string>& details) override {
        record("error:" + message + (details ? "|" + *details : ""));
    }
    void showInfo(const std::string& message) override { record("info:" + message); }
    void setMarquee(bool on) override { record(on ? "marquee:on" : "marquee:off"); }
    void show() override { record("show"); }
    void enableCancel(bool enable) override { record(enable ? "enableCancel" : "disableCancel"); }
    void showCancel(bool visible) override { record(visible ? "showCancel" : "hideCancel"); }
    void setTitle(const std::string& title) override { record("title:" + title); }
    void addShowRequest(int request) override { record("request:" + std::to_string(request)); }

    std::vector<std::string> calls() {
        std::lock_guard guard(lock_);
        return calls_;
    }
    int answer = 0;

private:
    void record(const std::string& call) {
        std::lock_guard guard(lock_);
        calls_.push_back(call);
    }
    std::mutex lock_;
    std::vector<std::string> calls_;
};
