// Turning the process arguments into the run's options.
#include <boost/lexical_cast.hpp>
#include <filesystem>
#include <thread>

#include "base/format.h"
#include "launcher/bootstrapper.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "platform/utf8_path.h"

namespace {

// The longest "-wait" honoured; a larger or negative value would hold the
// launcher for good.
constexpr int64_t kMaxWaitMilliseconds = 60000;

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal ignoring letter case, where a blank or tab ends the word.
bool optionMatches(const std::string& argument, const char* option) {
    auto wordEnd = [](const std::string& text) {
        const size_t end = text.find_first_of(" \t");
        return end == std::string::npos ? text.size() : end;
    };
    const std::string word = argument.substr(0, wordEnd(argument));
    const std::string wanted(option);
    if (word.size() != wanted.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (lowerAscii(word[i]) != lowerAscii(wanted[i])) return false;
    return true;
}

int64_t leadingMilliseconds(const std::string& text) {
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > kMaxWaitMilliseconds) return kMaxWaitMilliseconds;
    }
    return value;
}

}  // namespace

void Bootstrapper::parseCmdLine() {
    const int count = static_cast<int>(argv_.size());
    logger_->log("Bootstrapper::parseCmdLine params counter = %d", count);
    if (count == 1) noArguments = true;
    const std::string scheme = protocolScheme();
    if (count > 1 && !scheme.empty() && argv_[1].compare(0, scheme.size(), scheme) == 0) {
        parseProtocolUrl(argv_[1]);
        return;
    }
    metrics["ProtocolHandler"] = false;
    for (int i = 1; i < count; ++i) {
        logger_->log("Bootstrapper::parseCmdLine paramIndex = %d, value = %s", i, argv_[i].c_str());
        if (applyOption(i, count)) continue;
        if (parseExtraOption(argv_, i, count)) continue;
        // Quoted so that each argument reaches the Studio as it came, never as
        // more or fewer of them.
        if (!appArguments.empty()) appArguments += ' ';
        appArguments += platform::quoteArgument(argv_[i]);
    }
}

void Bootstrapper::parseProtocolUrl(const std::string& url) {
    ProtocolArguments arguments;
    size_t start = 0;
    while (start <= url.size()) {
        size_t end = url.find('+', start);
        if (end == std::string::npos) end = url.size();
        const std::string piece = url.substr(start, end - start);
        start = end + 1;
        if (piece.empty()) continue;
        const size_t colon = piece.find(':');
        std::string key = piece.substr(0, colon);
        for (char& c : key) c = lowerAscii(c);
        arguments.emplace(key,
                          colon == std::string::npos ? std::string() : piece.substr(colon + 1));
    }
    if (auto it = arguments.find("browsertrackerid"); it != arguments.end()) {
        browserTrackerId = it->second;
        logger_->log("Bootstrapper::parseCmdLine: browserTracerId, value = %s",
                     browserTrackerId.c_str());
    }
    if (auto it = arguments.find("launchtime"); it != arguments.end()) {
        int64_t launchTime = 0;
        try {
            launchTime = boost::lexical_cast<int64_t>(it->second);
        } catch (const boost::bad_lexical_cast&) {
            throw std::runtime_error("bad cast");
        }
        const int64_t now = platform::unixTimeMilliseconds();
        metrics["LaunchTime"] = static_cast<double>(static_cast<float>(now - launchTime) / 1000.0f);
    }
    ProcessProtocolHandlerArgs(arguments);
    metrics["ProtocolHandler"] = true;
}

bool Bootstrapper::applyOption(int& i, int count) {
    const std::string& argument = argv_[i];
    if (optionMatches(argument, "-wait")) {
        if (i + 1 >= count) throw std::runtime_error(format("Bad argument %s", argument.c_str()));
        const int64_t milliseconds = leadingMilliseconds(argv_[++i]);
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    } else if (optionMatches(argument, "-ide")) {
        logger_->log("option: ide");
        windowDelaySeconds = 1;
        appArguments = "-ide";
        if (i + 1 < count && !argv_[i + 1].empty() && argv_[i + 1][0] != '-') {
            std::error_code error;
            if (std::filesystem::exists(platform::fsPath(argv_[i + 1]), error)) {
                appArguments += " -fileLocation " + platform::quoteArgumentAlways(argv_[++i]);
            }
        }
    } else if (optionMatches(argument, "-q")) {
        logger_->log("option: q");
        interactive = false;
    } else if (optionMatches(argument, "-qbg")) {
        logger_->log("option: qbg");
        interactive = false;
        background = true;
    } else if (optionMatches(argument, "-qbgnorun")) {
        logger_->log("option: qbgnorun");
        interactive = false;
        background = true;
        backgroundNoRun = true;
    } else if (optionMatches(argument, "-alluser")) {
        logger_->log("option: alluser");
        perUser = false;
    } else if (optionMatches(argument, "-browser")) {
        logger_->log("option: browser");
        windowDelaySeconds = 1;
        appArguments = "-browser";
    } else if (optionMatches(argument, "-uninstall")) {
        logger_->log("option: Uninstall");
        uninstallMode = true;
        appArguments.clear();
    } else if (optionMatches(argument, "-install")) {
        logger_->log("option: Install");
        installOption = true;
        appArguments.clear();
        windowDelaySeconds = 10;
    } else if (optionMatches(argument, "-failIfNotUpToDate")) {
        logger_->log("option: FailIfNotUpToDate");
        failIfNotUpToDate = true;
        appArguments.clear();
        windowDelaySeconds = 10;
    } else if (optionMatches(argument, "-force")) {
        logger_->log("option: force");
        force = true;
    } else if (optionMatches(argument, "-debug")) {
        logger_->log("option: debug");
        debugMode = true;
    } else if (optionMatches(argument, "-prePlay")) {
        logger_->log("option: prePlay");
        appArguments = "-nop";
        prePlay = true;
    } else {
        return false;
    }
    return true;
}
