#pragma once
// Range requests on the files of the root, as a static file server answers
// them: one range of bytes or the last bytes, conditional on If-Range, 416
// past the end.

#include <cstdint>
#include <optional>
#include <string>

#include "answer.h"

namespace zorbit::server {

struct ByteRange {
    uint64_t first = 0;
    std::optional<uint64_t> last;    // none: to the end
    std::optional<uint64_t> suffix;  // the last this many bytes, in place of first and last
};

// "bytes=N-", "bytes=N-M" or "bytes=-N"; none for anything else (lists,
// junk), which a server may ignore.
std::optional<ByteRange> parseByteRange(const std::string& header);

// Turns a whole-file 200 into the 206 of the range asked for, or a 416 when
// it starts at or past the end, and marks it as taking ranges. ifRange is
// the request's If-Range (empty when none): unless it is the file's strong
// ETag the whole file is answered. Other answers stay as they are.
void applyRange(Answer& answer, const std::string& range, const std::string& ifRange,
                const std::string& etag);

}  // namespace zorbit::server
