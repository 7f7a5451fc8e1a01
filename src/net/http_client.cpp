// One HTTP attempt, and which hosts are tried over https.
#include "net/http_client.h"

#include <climits>
#include <exception>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/format.h"
#include "net/body_resume.h"
#include "net/http_session.h"

using namespace net_detail;

namespace {

// Win32 numbering of the failures that have no system error behind them.
constexpr int kErrorNotEnoughMemory = 8;
constexpr int kErrorInternetInvalidUrl = 12005;

bool acceptedStatus(int status) {
    return status == 200 || status == 304;
}

int clampedLength(int64_t length) {
    if (length < 0) return 0;
    return length > INT_MAX ? INT_MAX : static_cast<int>(length);
}

// An error answer's body never reaches the output, nor a 206 but one that
// continues the body a resumed transfer holds.
bool writeBody(const char* data, size_t bytes, const platform::HttpResponseHead& head,
               std::ostream& output, const HttpProgress& progress, BodyResume* resume) {
    if (head.status == 206 ? !resume : !acceptedStatus(head.status)) return false;
    if (resume && !resume->bodyStarted() && !resume->startBody(head, output)) return false;
    output.write(data, static_cast<std::streamsize>(bytes));
    if (!output) throw std::runtime_error("Failed to write the downloaded content");
    if (resume) resume->addBody(bytes);
    // A resumed body counts against the whole length, not the rest's.
    const int64_t length = resume && resume->appending() ? resume->total() : head.contentLength;
    if (progress) progress(static_cast<int>(bytes), clampedLength(length));
    return true;
}

std::string statusError(const platform::HttpResponseHead& head) {
    if (!head.reason.empty()) return head.reason;
    return format("statusCode = %d", head.status);
}

// The URL of the attempt; a host without a scheme gets the one https asks for.
std::string requestUrl(const std::string& host, const std::string& path, bool https) {
    std::string url =
        host.find("://") == std::string::npos ? (https ? "https://" : "http://") + host : host;
    return url + path;
}

// The request body, from the stream's position to its end, held whole.
std::string readBody(std::istream& body) {
    std::streamoff start = body.tellg();
    if (start < 0) start = 0;
    body.seekg(0, std::ios::end);
    const std::streamoff end = body.tellg();
    if (end <= start) {
        body.clear();
        body.seekg(start);
        return {};
    }
    body.seekg(start);
    std::string data(static_cast<size_t>(end - start), '\0');
    body.read(data.data(), static_cast<std::streamsize>(data.size()));
    if (body.gcount() != static_cast<std::streamsize>(data.size()))
        throw std::runtime_error("Failed to upload content");
    return data;
}

std::vector<std::string> requestHeaders(const std::optional<std::string>& contentType,
                                        const std::string& etag) {
    // Without a content type no header goes out, not even the transport's own for a POST.
    std::vector<std::string> lines{contentType ? "Content-Type: " + *contentType : "Content-Type:"};
    if (!etag.empty()) lines.push_back(format("If-None-Match: \"%s\"", etag.c_str()));
    // Send the body at once, as the platform's servers expect no interim answer.
    lines.push_back("Expect:");
    return lines;
}

// ETag header value without its first and last characters (the quotes).
std::string unquotedEtag(const std::optional<std::string>& raw) {
    if (!raw || raw->size() < 2 || raw->size() >= 256) return {};
    return raw->substr(1, raw->size() - 2);
}

struct Exchange {
    const std::string& verb;
    std::string url;
    std::string body;
    std::vector<std::string> headers;
    std::ostream& output;
    const HttpProgress& progress;
    BodyResume* resume;
};

platform::HttpResult exchange(const Exchange& asked) {
    platform::HttpRequest request = sessionRequest(asked.verb, asked.url);
    request.body = asked.body;
    request.headers = asked.headers;
    if (asked.resume)
        for (std::string& line : asked.resume->rangeHeaders()) request.headers.push_back(line);
    request.onBody = [&asked](const char* data, size_t bytes,
                              const platform::HttpResponseHead& head) {
        return writeBody(data, bytes, head, asked.output, asked.progress, asked.resume);
    };
    platform::HttpResult result = performSessionRequest(std::move(request));
    // A whole 200 without a body still replaces what a resumed transfer held.
    BodyResume* resume = asked.resume;
    if (resume && result.ok() && result.head.status == 200 && !resume->bodyStarted())
        resume->startBody(result.head, asked.output);
    return result;
}

// A resumed exchange whose range the server refused asks again for the whole body.
platform::HttpResult exchangeResuming(const Exchange& asked) {
    if (asked.resume) asked.resume->beginExchange();
    platform::HttpResult result = exchange(asked);
    if (!asked.resume || !asked.resume->refusedRange(result.head)) return result;
    asked.resume->startOver();
    return exchange(asked);
}

}  // namespace

int httpRequest(const std::string& verb, const std::string& host, const std::string& path,
                std::istream& body, const std::optional<std::string>& contentType,
                std::string& etag, std::ostream& output, bool https, const HttpProgress& progress,
                BodyResume* resume) {
    const Exchange asked{verb,           requestUrl(host, path, https),
                         readBody(body), requestHeaders(contentType, etag),
                         output,         progress,
                         resume};
    const bool sendsBody = !asked.body.empty();
    const platform::HttpResult result = exchangeResuming(asked);
    const platform::HttpResponseHead& head = result.head;
    if (result.failure == platform::HttpFailure::Setup)
        throw std::runtime_error(format("InternetOpen failed for %s http://%s%s, Error Code: %d",
                                        verb.c_str(), host.c_str(), path.c_str(),
                                        kErrorNotEnoughMemory));
    if (result.failure == platform::HttpFailure::BadUrl) {
        const bool schemeTls =
            host.rfind("https://", 0) == 0 || (https && host.find("://") == std::string::npos);
        throw std::runtime_error(
            format("InternetConnect failed for %s http://%s%s, Error Code: %d, Port Number: %d",
                   verb.c_str(), host.c_str(), path.c_str(), kErrorInternetInvalidUrl,
                   schemeTls ? 443 : 80));
    }
    const bool appended = head.status == 206 && resume && resume->appending();
    if ((result.ok() || head.complete) && !acceptedStatus(head.status) && !appended)
        throw std::runtime_error(statusError(head));
    if (!result.ok()) {
        const char* step = head.statusSeen ? "InternetReadFile failed"
                           : !sendsBody    ? "HttpSendRequest failed"
                                           : "HttpSendRequestEx failed";
        throw std::runtime_error(format("%s: %s", step, result.message.c_str()));
    }
    // A 206 continues the answer the held bytes came from, and names it.
    etag = unquotedEtag(appended && !head.etag ? resume->etag() : head.etag);
    return head.status;
}

bool isHttpsHost(const std::string& host) {
    if (host.rfind("https://", 0) == 0) return true;
    if (host.find("://") != std::string::npos) return false;
    const std::string name = host.substr(0, host.find(':'));
    if (name.empty() || name == "localhost") return false;
    return name.find_first_not_of("0123456789.") != std::string::npos;
}
