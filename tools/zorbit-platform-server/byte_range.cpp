#include "byte_range.h"

#include <algorithm>
#include <charconv>

namespace zorbit::server {
namespace {

std::optional<uint64_t> number(const std::string& text) {
    uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value);
    if (text.empty() || parsed.ec != std::errc() || parsed.ptr != end) return std::nullopt;
    return value;
}

// If-Range compares strongly: a weak or missing ETag never matches.
bool ifRangeHolds(const std::string& ifRange, const std::string& etag) {
    return ifRange.empty() || (!etag.empty() && etag.rfind("W/", 0) != 0 && ifRange == etag);
}

}  // namespace

std::optional<ByteRange> parseByteRange(const std::string& header) {
    const std::string unit = "bytes=";
    if (header.rfind(unit, 0) != 0) return std::nullopt;
    const std::string spec = header.substr(unit.size());
    const size_t dash = spec.find('-');
    if (dash == std::string::npos) return std::nullopt;
    ByteRange range;
    if (dash == 0) {
        range.suffix = number(spec.substr(1));
        if (!range.suffix) return std::nullopt;
        return range;
    }
    const auto first = number(spec.substr(0, dash));
    if (!first) return std::nullopt;
    range.first = *first;
    const std::string last = spec.substr(dash + 1);
    if (last.empty()) return range;
    range.last = number(last);
    if (!range.last || *range.last < range.first) return std::nullopt;
    return range;
}

void applyRange(Answer& answer, const std::string& range, const std::string& ifRange,
                const std::string& etag) {
    if (answer.status != 200 || answer.filePath.empty()) return;
    answer.headers.emplace_back("Accept-Ranges", "bytes");
    const std::optional<ByteRange> asked = parseByteRange(range);
    if (!asked || !ifRangeHolds(ifRange, etag)) return;
    const uint64_t total = answer.fileSize;
    // The last N bytes of a shorter file are all of it; the last 0 bytes are none.
    uint64_t first = asked->first;
    if (asked->suffix)
        first = *asked->suffix == 0 ? total : total - std::min(*asked->suffix, total);
    if (first >= total) {
        answer = textAnswer(416, "");
        answer.headers.emplace_back("Content-Range", "bytes */" + std::to_string(total));
        return;
    }
    const uint64_t last = asked->last && *asked->last < total ? *asked->last : total - 1;
    answer.status = 206;
    answer.fileOffset = first;
    answer.fileSize = last - first + 1;
    answer.headers.emplace_back("Content-Range", "bytes " + std::to_string(first) + "-" +
                                                     std::to_string(last) + "/" +
                                                     std::to_string(total));
}

}  // namespace zorbit::server
