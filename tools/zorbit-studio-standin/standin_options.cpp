#include "standin_options.h"

#include <cstdlib>
#include <fstream>
#include <map>

namespace {

std::map<std::string, std::string> readConfig(const std::string& path) {
    std::map<std::string, std::string> values;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos) continue;
        values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

std::optional<std::string> setting(const std::map<std::string, std::string>& config,
                                   const char* name) {
    if (const char* value = std::getenv(name)) return std::string(value);
    auto it = config.find(name);
    if (it != config.end()) return it->second;
    return std::nullopt;
}

uint32_t number(const std::optional<std::string>& text, uint32_t fallback) {
    return text && !text->empty() ? static_cast<uint32_t>(std::strtoul(text->c_str(), nullptr, 10))
                                  : fallback;
}

bool flag(const std::optional<std::string>& text) {
    return text && *text == "1";
}

}  // namespace

StandinOptions loadStandinOptions(const std::string& configPath) {
    const auto config = readConfig(configPath);
    StandinOptions options;
    options.startDelayMs = number(setting(config, "ZORBIT_STANDIN_START_DELAY_MS"), 0);
    options.signalStart = !flag(setting(config, "ZORBIT_STANDIN_NO_START_SIGNAL"));
    options.readyTimeoutMs = number(setting(config, "ZORBIT_STANDIN_READY_TIMEOUT_MS"), 30000);
    const auto lifetime = setting(config, "ZORBIT_STANDIN_LIFETIME_MS");
    if (lifetime && !lifetime->empty()) options.lifetimeMs = number(lifetime, 0);
    options.closeDelayMs = number(setting(config, "ZORBIT_STANDIN_CLOSE_DELAY_MS"), 0);
    options.ignoreTerm = flag(setting(config, "ZORBIT_STANDIN_IGNORE_TERM"));
    options.exitCode = static_cast<int>(number(setting(config, "ZORBIT_STANDIN_EXIT_CODE"), 0));
    return options;
}
