#pragma once
// What the server means to answer a request with, before faults are applied.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zorbit::server {

struct Answer {
    int status = 200;
    std::string contentType = "text/plain";
    std::string body;
    // When set, the body is fileSize bytes of this file from fileOffset, streamed from disk.
    std::string filePath;
    uint64_t fileOffset = 0;
    uint64_t fileSize = 0;
    // Headers beyond the ETag and the body's length and type.
    std::vector<std::pair<std::string, std::string>> headers;

    uint64_t size() const { return filePath.empty() ? body.size() : fileSize; }
};

inline Answer textAnswer(int status, std::string body) {
    Answer answer;
    answer.status = status;
    answer.body = std::move(body);
    return answer;
}

}  // namespace zorbit::server
