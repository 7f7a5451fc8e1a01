#pragma once
// Counts the launcher's events with the platform's counters service: each
// counter is posted at once, or kept in the process-wide pending set until the
// set is posted (at the end of the run).

#include <set>
#include <string>

class simple_logger;

class CountersClient {
public:
    // logger may be null. An unusable base host gives an empty URL, and the
    // posts then fail without a sound.
    CountersClient(simple_logger* logger, const std::string& baseHost, const std::string& apiKey);

    // Posts a set of just this name, or adds it to the pending set (once).
    void incrementCounter(bool fireImmediately, const std::string& name);
    // Posts "counterNamesCsv=" and the names joined by commas, then empties the
    // set. Never throws: failures and answers are dropped (one log line).
    void postCounters(std::set<std::string>& names);
    // Posts the pending set and empties it.
    void postPending();

    const std::string& url() const { return url_; }

    // The pending set as it stands (a copy).
    static std::set<std::string> pendingCounters();
    // Forgets the pending set; for tests.
    static void clearPending();

private:
    simple_logger* logger_;
    std::string url_;
};
