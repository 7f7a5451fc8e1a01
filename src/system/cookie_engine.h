#pragma once
// The cookie settings file that the platform's programs share: entries made of a
// name, "=", a value and "&", sorted by name. Every change is a read-modify-write
// under the named mutex "ZorbitCookieEngineMutex", and the new content replaces
// the file in one step, so no reader and no killed writer leaves it blank or cut.

#include <cstdint>
#include <map>
#include <string>

class CookieEngine {
public:
    // The file is created empty when it does not exist (a failure is ignored).
    explicit CookieEngine(std::string path);

    // Sets one entry: 0 on success, -1 on failure (no path, no file, a name or
    // value that would not read back as this one entry, or a failed write).
    int setValue(const std::string& name, const std::string& value);

    const std::string& path() const { return path_; }
    // The content read by the last setValue.
    const std::map<std::string, std::string>& entries() const { return entries_; }

    // The entries of a file's content: the pieces before each "&", split at
    // their first "="; the first of two equal names wins; the text after the
    // last "&" is not an entry.
    static std::map<std::string, std::string> parse(const std::string& content);
    static std::string serialize(const std::map<std::string, std::string>& entries);

private:
    int load(std::string& content);

    std::string path_;
    std::map<std::string, std::string> entries_;
};

// setValue up to 11 times, 50 ms apart; true once one attempt succeeded.
bool setValueWithRetry(CookieEngine& engine, const std::string& name, const std::string& value);
