#pragma once
// Metrics series in the JSON shape of a time-series write: a name, the column
// names and one row of values. The writer is configured once per process; the
// sender's worker sends nothing (the metrics server is not used).

#include <cstdint>
#include <map>
#include <string>
#include <variant>

// A value of a series: null, a boolean, a string or a number. Arrays and
// objects have no place in a series, so they cannot be expressed.
using SeriesValue =
    std::variant<std::nullptr_t, bool, std::string, int32_t, uint32_t, int64_t, uint64_t, double>;

// Value name to value text, ordered by name.
using SeriesValues = std::map<std::string, std::string>;

// "null", "false", "true", a string between double quotes (nothing escaped),
// or a number as a standard output stream writes it.
std::string seriesValueText(const SeriesValue& value);

// Sets the value's text under the name, replacing an earlier value of that name.
void addSeriesValue(SeriesValues& values, const std::string& name, const SeriesValue& value);

// [{"name":"...","columns":["reporter","version","location",...],
//   "points":[["<reporter>","<version>","<location>",...]]}] without blanks.
std::string buildSeries(const std::string& seriesName, const SeriesValues& values);

// With final set, returns at once; otherwise hands a copy of the text to a
// detached worker, which sends nothing. Never throws.
void postSeries(const std::string& text, bool final);

// The process-wide writer.
struct MetricsWriterConfig {
    std::string reporter;
    std::string version;
    std::string location;
    std::string url;
    std::string database;
    std::string user;
    std::string password;
    std::string
        seriesPath;        // "/db/<database>/series?u=<user>&p=<password>", when all three are set
    std::string endpoint;  // url + seriesPath, when both are set
    bool configured = false;
};

void configureMetricsWriter(const std::string& reporter, const std::string& url,
                            const std::string& database, const std::string& user,
                            const std::string& password);
void setMetricsVersion(const std::string& version);
void setMetricsLocation(const std::string& location);
MetricsWriterConfig metricsWriterConfig();
