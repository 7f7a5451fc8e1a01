#pragma once
// What the server means to answer a request with, before faults are applied.

#include <cstdint>
#include <string>

namespace zorbit::server {

struct Answer {
    int status = 200;
    std::string contentType = "text/plain";
    std::string body;
    // When set, the body is this file, streamed from disk.
    std::string filePath;
    uint64_t fileSize = 0;

    uint64_t size() const { return filePath.empty() ? body.size() : fileSize; }
};

inline Answer textAnswer(int status, std::string body) {
    Answer answer;
    answer.status = status;
    answer.body = std::move(body);
    return answer;
}

}  // namespace zorbit::server
