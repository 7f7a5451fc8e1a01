#pragma once
// Where a GET's body stands in its output across the attempts of one
// transfer. After a break the next attempt asks only for the rest (Range from
// the bytes held, If-Range on the first answer's ETag), and its answer decides
// what the output keeps: a 206 that continues the body is appended, a 200
// starts the body over, a 416 or a 206 that does not fit is refused and the
// body is asked for again whole.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "platform/http_transport.h"

class BodyResume {
public:
    enum class Outcome { None, Appended, Restarted, FullTransfer };

    // An exchange starts: it asks for the rest when bytes are held and the
    // answer they came from had a strong ETag.
    void beginExchange();
    // The Range and If-Range lines of the exchange; none when it asks for all.
    std::vector<std::string> rangeHeaders() const;

    // The answer's body starts (a 200 or a 206): places output where the body
    // goes. False when a 206 does not continue the bytes held; nothing of it
    // may reach the output then.
    bool startBody(const platform::HttpResponseHead& head, std::ostream& output);
    void addBody(size_t bytes) { held_ += static_cast<int64_t>(bytes); }
    // Whether the answer refuses the range asked for (a 416, or a 206 that
    // does not fit), so that the body must be asked for again whole.
    bool refusedRange(const platform::HttpResponseHead& head) const;
    // Forgets the bytes held; the exchange that follows, without a
    // beginExchange, asks for the whole body.
    void startOver();

    bool bodyStarted() const { return started_; }
    bool appending() const { return outcome_ == Outcome::Appended; }
    // Whether any exchange of the transfer appended to bytes held.
    bool spliced() const { return spliced_; }
    // Whether the exchange asked for the rest, and from which byte (also
    // after a refusal made it ask for the whole body).
    bool resumed() const { return askedFrom_ > 0; }
    int64_t askedFrom() const { return askedFrom_; }
    int64_t held() const { return held_; }
    // The whole body's length; -1 while unknown.
    int64_t total() const { return total_; }
    // The raw ETag of the answer the held bytes come from.
    const std::optional<std::string>& etag() const { return etag_; }
    Outcome outcome() const { return outcome_; }

private:
    bool continuesHeld(const platform::HttpResponseHead& head) const;

    int64_t held_ = 0;
    int64_t total_ = -1;
    std::optional<std::string> etag_;
    bool asked_ = false;
    int64_t askedFrom_ = 0;
    bool started_ = false;
    bool unfit_ = false;
    bool spliced_ = false;
    Outcome outcome_ = Outcome::None;
};

// "bytes FIRST-LAST/TOTAL" of a Content-Range header; none when it is not
// that (a "*" length included).
struct ContentRange {
    int64_t first = 0;
    int64_t last = 0;
    int64_t total = 0;
};
std::optional<ContentRange> parseContentRange(const std::string& value);
