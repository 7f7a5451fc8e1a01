#include "faulted_answer.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <vector>

namespace zorbit::server {
namespace {

constexpr size_t kChunk = 64 * 1024;

bool shapesBody(const std::optional<Fault>& fault) {
    return fault && (fault->truncateAfter >= 0 || fault->noContentLength || fault->chunked ||
                     fault->bytesPerSecond > 0);
}

// An answer's body as the library's content provider pulls it, chunk by
// chunk, cut and throttled as the fault says.
class ShapedBody {
public:
    ShapedBody(const Answer& answer, const std::optional<Fault>& fault, StopSignal& signal)
        : size_(answer.size()),
          limit_(fault && fault->truncateAfter >= 0
                     ? std::min<uint64_t>(size_, static_cast<uint64_t>(fault->truncateAfter))
                     : size_),
          rate_(fault ? fault->bytesPerSecond : 0),
          fileOffset_(answer.fileOffset),
          signal_(signal) {
        if (answer.filePath.empty()) {
            memory_ = answer.body;
        } else {
            fromFile_ = true;
            file_.open(answer.filePath, std::ios::binary);
        }
    }

    uint64_t size() const { return size_; }
    // Everything was sent and nothing is cut: a body without a length may end.
    bool complete(uint64_t offset) const { return offset >= size_ && limit_ == size_; }

    // Writes the next chunk; false ends the connection (truncation, stop, read error).
    bool writeNext(uint64_t offset, httplib::DataSink& sink) {
        if (offset >= limit_) return false;
        size_t want = static_cast<size_t>(std::min<uint64_t>(kChunk, limit_ - offset));
        if (rate_ > 0) want = std::min<size_t>(want, std::max<int64_t>(rate_ / 10, 1));
        const size_t got = read(offset, want);
        if (got == 0) return false;
        if (rate_ > 0 && waitForRate(offset + got)) return false;
        return sink.write(buffer_.data(), got);
    }

private:
    size_t read(uint64_t offset, size_t want) {
        if (!fromFile_) {
            if (offset >= memory_.size()) return 0;
            const size_t n = std::min<uint64_t>(want, memory_.size() - offset);
            std::copy_n(memory_.data() + offset, n, buffer_.data());
            return n;
        }
        file_.clear();
        file_.seekg(static_cast<std::streamoff>(fileOffset_ + offset));
        file_.read(buffer_.data(), static_cast<std::streamsize>(want));
        return static_cast<size_t>(file_.gcount());
    }

    // A chunk leaves when the rate allows its last byte, so the whole body
    // takes size / rate. True when the signal ends the wait.
    bool waitForRate(uint64_t sentAfterChunk) {
        const auto due =
            std::chrono::milliseconds(sentAfterChunk * 1000 / static_cast<uint64_t>(rate_));
        const auto spent = std::chrono::steady_clock::now() - started_;
        return due > spent &&
               signal_.waitFor(std::chrono::duration_cast<std::chrono::milliseconds>(due - spent));
    }

    const uint64_t size_;
    const uint64_t limit_;
    const int64_t rate_;
    const uint64_t fileOffset_;
    StopSignal& signal_;
    std::vector<char> buffer_ = std::vector<char>(kChunk);
    std::string memory_;
    std::ifstream file_;
    bool fromFile_ = false;
    const std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}  // namespace

bool holdAnswer(const std::optional<Fault>& fault, StopSignal& signal, OnRelease onRelease) {
    if (!fault) return true;
    bool released = false;
    if (fault->delayMs > 0 && signal.waitFor(std::chrono::milliseconds(fault->delayMs)))
        released = true;
    if (fault->stall) {
        signal.waitForever();
        released = true;
    }
    return !fault->drop && !(released && onRelease == OnRelease::Drop);
}

void sendAnswer(httplib::Response& response, const Answer& answer, const std::string& etag,
                const std::optional<Fault>& fault, StopSignal& signal) {
    response.status = answer.status;
    if (!etag.empty()) response.set_header("ETag", etag);
    for (const auto& [name, value] : answer.headers) response.set_header(name, value);
    if (answer.status == 304) return;

    if (answer.filePath.empty() && !shapesBody(fault)) {
        response.set_content(answer.body, answer.contentType);
        return;
    }
    auto body = std::make_shared<ShapedBody>(answer, fault, signal);
    if (fault && (fault->noContentLength || fault->chunked)) {
        auto provider = [body](size_t offset, httplib::DataSink& sink) {
            if (body->complete(offset)) {
                sink.done();
                return true;
            }
            return body->writeNext(offset, sink);
        };
        if (fault->chunked) {
            response.set_chunked_content_provider(answer.contentType, provider);
        } else {
            response.set_content_provider(answer.contentType, provider);
        }
        return;
    }
    response.set_content_provider(static_cast<size_t>(body->size()), answer.contentType,
                                  [body](size_t offset, size_t, httplib::DataSink& sink) {
                                      return body->writeNext(offset, sink);
                                  });
}

}  // namespace zorbit::server
