#include "support/test_site.h"

#include <fstream>
#include <sstream>

#include "base/errors.h"

void TestSite::reportProgress(int64_t done, int64_t total) {
    std::lock_guard guard(lock_);
    progress_.emplace_back(done, total);
}

void TestSite::checkCancel() {
    if (cancelled) throw cancel_exception(true);
}

void TestSite::reportError(const std::exception& e) {
    logger_.log("ERROR: %s", e.what());
    std::lock_guard guard(lock_);
    errors_.push_back(e.what());
}

std::vector<std::string> TestSite::reportedErrors() {
    std::lock_guard guard(lock_);
    return errors_;
}

std::vector<std::pair<int64_t, int64_t>> TestSite::reportedProgress() {
    std::lock_guard guard(lock_);
    return progress_;
}

std::string TestSite::logText() const {
    std::ifstream file(logger_.fileName());
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

int TestSite::logCount(const std::string& text) const {
    std::istringstream lines(logText());
    int count = 0;
    for (std::string line; std::getline(lines, line);)
        if (line.find(text) != std::string::npos) ++count;
    return count;
}
