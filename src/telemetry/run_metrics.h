#pragma once
// The run's own timings and flags, sent with its final report.

#include <cstdint>
#include <map>
#include <string>
#include <variant>

using MetricValue = std::variant<double, bool>;
using RunMetrics = std::map<std::string, MetricValue>;

// Seconds elapsed since the tick count `since`, as the metrics record them.
double elapsedSeconds(uint32_t since);
