#pragma once
// Parts of one file on a host, asked for by byte range over one kept
// connection: how a package's directory and changed entries are read without
// its whole body.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "net/body_resume.h"
#include "platform/http_transport.h"

struct RangeAnswer {
    int status = 0;
    std::optional<ContentRange> range;  // what a 206 holds
    std::optional<std::string> etag;    // the raw header value
};

class RangeReader {
public:
    // host as httpRequest takes it. The first request tries https for hosts
    // that qualify (isHttpsHost), then http; later ones keep the scheme that
    // answered.
    RangeReader(std::string host, std::string path);

    // GET with "Range: " + range ("bytes=-N" or "bytes=A-B") and the
    // conditions' header lines (If-Range, If-None-Match). Only a 206's body
    // reaches the sink; any other answer ends unread and is returned for the
    // caller to judge. Throws std::runtime_error when no answer comes; what
    // the sink throws ends the request and reaches the caller unchanged.
    RangeAnswer get(const std::string& range, const std::vector<std::string>& conditions,
                    const std::function<void(const char* data, size_t size)>& sink);

    // Body bytes received over every request so far.
    int64_t received() const { return received_; }

private:
    platform::HttpResult exchange(bool https, const std::string& range,
                                  const std::vector<std::string>& conditions,
                                  const std::function<void(const char*, size_t)>& sink);

    std::string host_;
    std::string path_;
    std::optional<bool> https_;
    platform::HttpConnection connection_;
    int64_t received_ = 0;
};
