#pragma once
// Counts the launcher's events with the platform's counters service.

#include <string>

class simple_logger;

class CountersClient {
public:
    CountersClient(simple_logger& logger, std::string baseHost, std::string apiKey)
        : logger_(logger), baseHost_(std::move(baseHost)), apiKey_(std::move(apiKey)) {}

    void registerEvent(const std::string& counterName, bool fireImmediately);

private:
    simple_logger& logger_;
    std::string baseHost_;
    std::string apiKey_;
};
