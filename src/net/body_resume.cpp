#include "net/body_resume.h"

#include <charconv>
#include <ostream>

namespace {

// Reads a decimal number at text[at...] up to the separator (or the end when it is 0).
bool readNumber(const std::string& text, size_t& at, char separator, int64_t& value) {
    const size_t end = separator ? text.find(separator, at) : text.size();
    if (end == std::string::npos || end == at) return false;
    const auto parsed = std::from_chars(text.data() + at, text.data() + end, value);
    if (parsed.ec != std::errc() || parsed.ptr != text.data() + end || value < 0) return false;
    at = end + 1;
    return true;
}

bool strongEtag(const std::optional<std::string>& etag) {
    return etag && !etag->empty() && etag->rfind("W/", 0) != 0;
}

}  // namespace

std::optional<ContentRange> parseContentRange(const std::string& value) {
    const std::string unit = "bytes ";
    if (value.rfind(unit, 0) != 0) return std::nullopt;
    ContentRange range;
    size_t at = unit.size();
    if (!readNumber(value, at, '-', range.first) || !readNumber(value, at, '/', range.last) ||
        !readNumber(value, at, '\0', range.total))
        return std::nullopt;
    if (range.last < range.first || range.last >= range.total) return std::nullopt;
    return range;
}

void BodyResume::beginExchange() {
    asked_ = held_ > 0 && strongEtag(etag_);
    askedFrom_ = asked_ ? held_ : 0;
    started_ = false;
    unfit_ = false;
    outcome_ = Outcome::None;
}

std::vector<std::string> BodyResume::rangeHeaders() const {
    if (!asked_) return {};
    return {"Range: bytes=" + std::to_string(held_) + "-", "If-Range: " + *etag_};
}

bool BodyResume::continuesHeld(const platform::HttpResponseHead& head) const {
    const std::optional<std::string> value = head.header("Content-Range");
    const std::optional<ContentRange> range = value ? parseContentRange(*value) : std::nullopt;
    if (!range || range->first != held_ || range->last != range->total - 1) return false;
    if (total_ >= 0 && range->total != total_) return false;
    // A 206 of another version of the body would splice two files together.
    return !head.etag || head.etag == etag_;
}

bool BodyResume::startBody(const platform::HttpResponseHead& head, std::ostream& output) {
    started_ = true;
    if (head.status == 206) {
        if (!asked_ || !continuesHeld(head)) {
            unfit_ = true;
            return false;
        }
        total_ = parseContentRange(*head.header("Content-Range"))->total;
        output.seekp(held_);
        outcome_ = Outcome::Appended;
        spliced_ = true;
        return true;
    }
    if (asked_) outcome_ = Outcome::Restarted;
    held_ = 0;
    total_ = head.contentLength;
    etag_ = head.etag;
    output.seekp(0);
    return true;
}

bool BodyResume::refusedRange(const platform::HttpResponseHead& head) const {
    return asked_ && (head.status == 416 || unfit_);
}

void BodyResume::startOver() {
    held_ = 0;
    total_ = -1;
    etag_.reset();
    asked_ = false;
    started_ = false;
    unfit_ = false;
    outcome_ = Outcome::FullTransfer;
}
