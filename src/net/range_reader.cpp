#include "net/range_reader.h"

#include <stdexcept>
#include <utility>

#include "base/format.h"
#include "net/http_client.h"
#include "net/http_session.h"

using namespace net_detail;

RangeReader::RangeReader(std::string host, std::string path)
    : host_(std::move(host)), path_(std::move(path)) {}

platform::HttpResult RangeReader::exchange(bool https, const std::string& range,
                                           const std::vector<std::string>& conditions,
                                           const std::function<void(const char*, size_t)>& sink) {
    const std::string scheme = https ? "https://" : "http://";
    const std::string url =
        (host_.find("://") == std::string::npos ? scheme + host_ : host_) + path_;
    platform::HttpRequest request = sessionRequest("GET", url);
    request.headers = {"Range: " + range, "Expect:"};
    request.headers.insert(request.headers.end(), conditions.begin(), conditions.end());
    request.onBody = [this, &sink](const char* data, size_t size,
                                   const platform::HttpResponseHead& head) {
        if (head.status != 206) return false;
        received_ += static_cast<int64_t>(size);
        sink(data, size);
        return true;
    };
    return performSessionRequest(std::move(request), &connection_);
}

RangeAnswer RangeReader::get(const std::string& range, const std::vector<std::string>& conditions,
                             const std::function<void(const char*, size_t)>& sink) {
    platform::HttpResult result;
    if (https_) {
        result = exchange(*https_, range, conditions, sink);
    } else {
        const bool https = isHttpsHost(host_);
        result = exchange(https, range, conditions, sink);
        if (https && !result.head.statusSeen) {
            result = exchange(false, range, conditions, sink);
            https_ = false;
        }
        if (result.head.statusSeen && !https_) https_ = https;
    }
    const platform::HttpResponseHead& head = result.head;
    // A refused body is an answer other than the range: the caller's to judge.
    const bool refused = result.failure == platform::HttpFailure::BodyRefused && head.status != 206;
    if (!result.ok() && !refused)
        throw std::runtime_error(format("Range %s of %s%s failed: %s", range.c_str(), host_.c_str(),
                                        path_.c_str(), result.message.c_str()));
    RangeAnswer answer;
    answer.status = head.status;
    answer.etag = head.etag;
    if (const auto value = head.header("Content-Range"); value && head.status == 206)
        answer.range = parseContentRange(*value);
    return answer;
}
