#pragma once
// One HTTP exchange over the system's HTTP service: the request goes out, the
// answer's head is read, its body goes to a sink. Redirects are followed (http
// and https only, ten at most); the proxy comes from the environment. Policy
// (attempts, fall-backs, bounds, logging) belongs to the caller.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// The head of the latest answer of a transfer. Redirects and interim answers
// start it anew.
struct HttpResponseHead {
    bool statusSeen = false;
    bool complete = false;  // the blank line after the headers arrived
    int status = 0;
    std::string reason;
    std::optional<std::string> etag;  // the first ETag header's raw value
    int64_t contentLength = -1;
    // Every header of the answer as name and trimmed value, in the order sent.
    std::vector<std::pair<std::string, std::string>> headers;

    // The first header of that name (any case); none when the answer has none.
    std::optional<std::string> header(const std::string& name) const;
    // Takes one header line as it came (with or without its line break).
    void addLine(const char* data, size_t size);
};

struct HttpRequest {
    // A body, or POST, makes it a request with a body; HEAD asks for no body.
    std::string method = "GET";
    std::string url;
    // A URL without a scheme is taken as http; otherwise it is refused.
    bool schemeOptional = false;
    bool http10 = false;
    std::string userAgent;
    // "Name: value" lines. "Name:" alone keeps the transport from sending a
    // header of that name of its own (a content type, "Expect", ...).
    std::vector<std::string> headers;
    std::string body;

    // Zero: the transport's default for the connection, no bound for the whole.
    std::chrono::milliseconds connectTimeout{0};
    std::chrono::milliseconds totalTimeout{0};
    // A transfer slower than this many bytes per second for that long ends.
    int64_t lowSpeedBytesPerSecond = 0;
    std::chrono::seconds lowSpeedTime{0};
    // A PEM file of the certificates to trust instead of the system's store.
    std::string caBundle;

    // Each chunk of the answer's body, with the head as it stands; false ends
    // the transfer. Without a sink the body is dropped.
    std::function<bool(const char* data, size_t size, const HttpResponseHead& head)> onBody;
    // The bytes moved so far each way, called often during the transfer;
    // false ends it.
    std::function<bool(int64_t received, int64_t sent)> onProgress;
};

enum class HttpFailure {
    None,
    Setup,         // the transport could not start a request
    BadUrl,        // the URL cannot be used
    Transfer,      // sending or receiving failed, time-outs included
    BodyRefused,   // the body sink ended the transfer
    ProgressStop,  // the progress callable ended the transfer
};

struct HttpResult {
    HttpResponseHead head;
    HttpFailure failure = HttpFailure::None;
    std::string message;  // the transport's text for the failure

    bool ok() const { return failure == HttpFailure::None; }
};

// Performs the exchange. An exception thrown by a callable ends the transfer
// at once and reaches the caller unchanged; every other failure is in the
// result.
HttpResult exchangeHttp(const HttpRequest& request);

// Exchanges one after another that keep their connection open between them,
// so a series of small requests to one host pays for one connection. Used by
// one thread at a time.
class HttpConnection {
public:
    HttpConnection();
    ~HttpConnection();
    HttpConnection(const HttpConnection&) = delete;
    HttpConnection& operator=(const HttpConnection&) = delete;

    // As exchangeHttp.
    HttpResult exchange(const HttpRequest& request);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The host name of the URL (read as http when it names no scheme); empty when
// it has none or cannot be read.
std::string urlHost(const std::string& url);

}  // namespace platform
