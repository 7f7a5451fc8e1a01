#include "telemetry/metrics_series.h"

#include <mutex>
#include <sstream>
#include <thread>

namespace {

// Never destroyed: detached workers may outlive the process's static objects.
struct MetricsWriter {
    std::mutex lock;
    MetricsWriterConfig config;
};

MetricsWriter& writer() {
    static MetricsWriter* const instance = new MetricsWriter;
    return *instance;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

struct ValueText {
    std::string operator()(std::nullptr_t) const { return "null"; }
    std::string operator()(bool value) const { return value ? "true" : "false"; }
    std::string operator()(const std::string& value) const { return quoted(value); }
    template <typename Number>
    std::string operator()(Number value) const {
        std::ostringstream text;
        text << value;
        return text.str();
    }
};

}  // namespace

std::string seriesValueText(const SeriesValue& value) {
    return std::visit(ValueText{}, value);
}

void addSeriesValue(SeriesValues& values, const std::string& name, const SeriesValue& value) {
    values[name] = seriesValueText(value);
}

std::string buildSeries(const std::string& seriesName, const SeriesValues& values) {
    const MetricsWriterConfig config = metricsWriterConfig();
    std::string text = "[{\"name\":" + quoted(seriesName) + ",";
    text += "\"columns\":[\"reporter\",\"version\",\"location\"";
    for (const auto& [name, value] : values) text += "," + quoted(name);
    text += "],\"points\":[[";
    text += quoted(config.reporter) + "," + quoted(config.version) + "," + quoted(config.location);
    for (const auto& [name, value] : values) text += "," + value;
    text += "]]}]";
    return text;
}

void postSeries(const std::string& text, bool final) {
    if (final) return;
    try {
        std::thread([copy = text] { (void)copy; }).detach();
    } catch (const std::exception&) {
        // No thread to be had: the series was going nowhere anyway.
    }
}

void configureMetricsWriter(const std::string& reporter, const std::string& url,
                            const std::string& database, const std::string& user,
                            const std::string& password) {
    MetricsWriter& w = writer();
    std::lock_guard guard(w.lock);
    MetricsWriterConfig& c = w.config;
    c.reporter = reporter;
    c.url = url;
    c.database = database;
    c.user = user;
    c.password = password;
    c.seriesPath.clear();
    c.endpoint.clear();
    if (!database.empty() && !user.empty() && !password.empty())
        c.seriesPath = "/db/" + database + "/series?u=" + user + "&p=" + password;
    if (!url.empty() && !c.seriesPath.empty()) c.endpoint = url + c.seriesPath;
    c.configured = true;
}

void setMetricsVersion(const std::string& version) {
    std::lock_guard guard(writer().lock);
    writer().config.version = version;
}

void setMetricsLocation(const std::string& location) {
    std::lock_guard guard(writer().lock);
    writer().config.location = location;
}

MetricsWriterConfig metricsWriterConfig() {
    std::lock_guard guard(writer().lock);
    return writer().config;
}
