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

// An error answer's body never reaches the output.
bool writeBody(const char* data, size_t bytes, const platform::HttpResponseHead& head,
               std::ostream& output, const HttpProgress& progress) {
    if (!acceptedStatus(head.status)) return false;
    output.write(data, static_cast<std::streamsize>(bytes));
    if (!output) throw std::runtime_error("Failed to write the downloaded content");
    if (progress) progress(static_cast<int>(bytes), clampedLength(head.contentLength));
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

}  // namespace

int httpRequest(const std::string& verb, const std::string& host, const std::string& path,
                std::istream& body, const std::optional<std::string>& contentType,
                std::string& etag, std::ostream& output, bool https, const HttpProgress& progress) {
    platform::HttpRequest request = sessionRequest(verb, requestUrl(host, path, https));
    request.body = readBody(body);
    request.headers = requestHeaders(contentType, etag);
    const bool sendsBody = !request.body.empty();
    request.onBody = [&output, &progress](const char* data, size_t bytes,
                                          const platform::HttpResponseHead& head) {
        return writeBody(data, bytes, head, output, progress);
    };
    const platform::HttpResult result = performSessionRequest(std::move(request));
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
    if ((result.ok() || head.complete) && !acceptedStatus(head.status))
        throw std::runtime_error(statusError(head));
    if (!result.ok()) {
        const char* step = head.statusSeen ? "InternetReadFile failed"
                           : !sendsBody    ? "HttpSendRequest failed"
                                           : "HttpSendRequestEx failed";
        throw std::runtime_error(format("%s: %s", step, result.message.c_str()));
    }
    etag = unquotedEtag(head.etag);
    return head.status;
}

bool isHttpsHost(const std::string& host) {
    if (host.rfind("https://", 0) == 0) return true;
    if (host.find("://") != std::string::npos) return false;
    const std::string name = host.substr(0, host.find(':'));
    if (name.empty() || name == "localhost") return false;
    return name.find_first_not_of("0123456789.") != std::string::npos;
}
