#pragma once
// The server's record of every request it received, for tests to read.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace zorbit::server {

struct JournalEntry {
    uint64_t sequence = 0;
    int64_t timeMs = 0;  // since the server started
    bool tls = false;    // came over https
    std::string method;
    std::string host;    // the Host header as sent, port included
    std::string target;  // path with query, as sent
    std::string path;    // decoded path without the query
    std::vector<std::pair<std::string, std::string>> headers;
    uint64_t bodySize = 0;
    std::string body;  // whole when bodyKept
    bool bodyKept = false;
    int status = 0;              // the status answered (or meant, for stalls and drops)
    uint64_t bodyBytesSent = 0;  // of the answer's body, after any cut
    std::string fault;           // the injected fault, empty when none

    // First header of that name, compared case-insensitively; empty when absent.
    std::string header(const std::string& name) const;
    // The host without its port, lower-case.
    std::string hostName() const;
};

std::string journalEntryToJson(const JournalEntry& entry);
// Throws std::runtime_error on a malformed line.
JournalEntry journalEntryFromJson(const std::string& line);
// Reads a JSON-lines journal file; missing file: empty.
std::vector<JournalEntry> readJournalFile(const std::string& path);

class Journal {
public:
    explicit Journal(const std::string& path);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    void add(JournalEntry entry);
    std::vector<JournalEntry> entries() const;
    void clear();
    // Waits until an entry satisfies the predicate; false on time-out.
    bool waitFor(const std::function<bool(const JournalEntry&)>& predicate,
                 std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable added_;
    std::vector<JournalEntry> entries_;
    uint64_t nextSequence_ = 1;
    std::FILE* file_ = nullptr;
};

}  // namespace zorbit::server
