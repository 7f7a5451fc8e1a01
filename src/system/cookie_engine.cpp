#include "system/cookie_engine.h"

#include <fstream>
#include <sstream>

#include "platform/clock.h"
#include "platform/file_replace.h"
#include "platform/named_mutex.h"
#include "platform/utf8_path.h"
#include "system/shortcuts.h"

namespace {

const char* const kMutexName = "ZorbitCookieEngineMutex";
constexpr int kAttempts = 11;
constexpr uint32_t kRetryDelayMs = 50;

// Holds the named mutex for one read-modify-write.
class MutexLock {
public:
    explicit MutexLock(platform::NamedMutex& mutex) : mutex_(mutex) {
        const platform::WaitResult result = mutex_.wait(platform::kInfinite);
        held_ =
            result == platform::WaitResult::Signaled || result == platform::WaitResult::Abandoned;
    }
    ~MutexLock() {
        if (held_) mutex_.release();
    }
    bool held() const { return held_; }

private:
    platform::NamedMutex& mutex_;
    bool held_ = false;
};

bool isStorable(const std::string& name, const std::string& value) {
    return !name.empty() && name.find_first_of("=&") == std::string::npos &&
           value.find('&') == std::string::npos;
}

}  // namespace

CookieEngine::CookieEngine(std::string path) : path_(std::move(path)) {
    if (!path_.empty()) std::ofstream(platform::fsPath(path_), std::ios::binary | std::ios::app);
}

std::map<std::string, std::string> CookieEngine::parse(const std::string& content) {
    std::map<std::string, std::string> entries;
    size_t start = 0;
    for (size_t end = content.find('&'); end != std::string::npos;
         start = end + 1, end = content.find('&', start)) {
        const std::string piece = content.substr(start, end - start);
        if (piece.empty()) continue;
        const size_t equals = piece.find('=');
        if (equals == std::string::npos) {
            entries.emplace(piece, piece);
        } else {
            entries.emplace(piece.substr(0, equals), piece.substr(equals + 1));
        }
    }
    return entries;
}

std::string CookieEngine::serialize(const std::map<std::string, std::string>& entries) {
    std::string content;
    for (const auto& [name, value] : entries) content += name + "=" + value + "&";
    return content;
}

// Reads the whole file; the file must also be writable, as the change replaces it.
int CookieEngine::load(std::string& content) {
    std::fstream file(platform::fsPath(path_), std::ios::in | std::ios::out | std::ios::binary);
    if (!file) return -1;
    std::ostringstream text;
    text << file.rdbuf();
    content = text.str();
    return 0;
}

int CookieEngine::setValue(const std::string& name, const std::string& value) {
    if (path_.empty() || !fileExists(path_)) return -1;
    if (!isStorable(name, value)) return -1;
    try {
        platform::NamedMutex mutex(kMutexName);
        MutexLock lock(mutex);
        if (!lock.held()) return -1;
        std::string content;
        if (load(content) != 0) return -1;
        entries_ = parse(content);
        entries_[name] = value;
        return platform::replaceFileContent(path_, serialize(entries_)) ? 0 : -1;
    } catch (const std::exception&) {
        return -1;  // the mutex could not be made
    }
}

bool setValueWithRetry(CookieEngine& engine, const std::string& name, const std::string& value) {
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (engine.setValue(name, value) == 0) return true;
        if (attempt < kAttempts) platform::sleepMilliseconds(kRetryDelayMs);
    }
    return false;
}
