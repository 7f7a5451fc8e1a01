#pragma once
// Faults injected into the answers of chosen paths, to test how clients cope.

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zorbit::server {

enum class EtagFault { None, Missing, Wrong };

struct Fault {
    // What the fault applies to: glob patterns ('*' matches any run of
    // characters). The path is matched without its query, the host without
    // its port, case-insensitively. Empty matches everything.
    std::string path;
    std::string host;
    std::string method;

    int status = 0;              // answer this status (with a short text body)
    int delayMs = 0;             // wait this long before answering
    bool stall = false;          // accept the request and never answer
    bool drop = false;           // close the connection without an answer
    int64_t truncateAfter = -1;  // send this many body bytes, then close
    EtagFault etag = EtagFault::None;
    bool noContentLength = false;  // body delimited by closing the connection
    bool chunked = false;          // body in chunked transfer encoding
    int64_t bytesPerSecond = 0;    // throttle the body
    bool ignoreRange = false;      // answer Range requests with the whole file
    int times = -1;                // apply to this many requests, then succeed; -1: always

    // Short text for the journal, e.g. "status=503 times=2".
    std::string describe() const;
};

// Parses one fault object or an array of them, as the control endpoint takes
// them. Throws std::runtime_error on malformed input.
std::vector<Fault> parseFaults(const std::string& json);
std::string faultsToJson(const std::vector<Fault>& faults);

bool globMatch(const std::string& pattern, const std::string& text, bool ignoreCase);

// The faults in force; the first one that matches a request applies to it and
// uses up one of its times.
class FaultTable {
public:
    void add(Fault fault);
    void clear();
    std::vector<Fault> list() const;
    std::optional<Fault> take(const std::string& method, const std::string& host,
                              const std::string& path);

private:
    mutable std::mutex mutex_;
    std::vector<Fault> faults_;
};

}  // namespace zorbit::server
