#include "telemetry/counters_client.h"

#include <exception>
#include <mutex>

#include "base/logger.h"
#include "net/api_urls.h"
#include "telemetry/service_post.h"
#include "telemetry/telemetry_time_bound.h"

namespace {

// Process-wide and never destroyed: threads still registering events while the
// process ends must not meet a destroyed set or lock.
struct PendingCounters {
    std::mutex lock;
    std::set<std::string> names;
};

PendingCounters& pending() {
    static PendingCounters* const counters = new PendingCounters;
    return *counters;
}

std::string counterBody(const std::set<std::string>& names) {
    std::string body = "counterNamesCsv=";
    bool first = true;
    for (const std::string& name : names) {
        if (!first) body += ",";
        body += name;
        first = false;
    }
    return body;
}

}  // namespace

CountersClient::CountersClient(simple_logger* logger, const std::string& baseHost,
                               const std::string& apiKey)
    : logger_(logger), url_(countersUrl(baseHost, apiKey)) {
    if (logger_)
        logger_->log("CountersClient::CountersClient baseUrl=%s, url=%s", baseHost.c_str(),
                     url_.c_str());
}

void CountersClient::incrementCounter(bool fireImmediately, const std::string& name) {
    if (fireImmediately) {
        std::set<std::string> single{name};
        postCounters(single);
        return;
    }
    PendingCounters& counters = pending();
    std::lock_guard guard(counters.lock);
    counters.names.insert(name);
}

void CountersClient::postCounters(std::set<std::string>& names) {
    if (names.empty()) return;
    const std::string body = counterBody(names);
    names.clear();
    try {
        TelemetryTimeBound bound;
        postToService(url_, "application/x-www-form-urlencoded", body);
    } catch (const std::exception& e) {
        if (logger_) logger_->log("CountersClient::postCounters failed: %s", e.what());
    } catch (...) {
        if (logger_) logger_->log("CountersClient::postCounters failed");
    }
}

void CountersClient::postPending() {
    std::set<std::string> names;
    {
        PendingCounters& counters = pending();
        std::lock_guard guard(counters.lock);
        names.swap(counters.names);
    }
    postCounters(names);
}

std::set<std::string> CountersClient::pendingCounters() {
    PendingCounters& counters = pending();
    std::lock_guard guard(counters.lock);
    return counters.names;
}

void CountersClient::clearPending() {
    PendingCounters& counters = pending();
    std::lock_guard guard(counters.lock);
    counters.names.clear();
}
