// One HTTP attempt over libcurl, and which hosts are tried over https.
#include "net/http_client.h"

#include <climits>
#include <exception>
#include <istream>
#include <ostream>
#include <stdexcept>

#include "net/curl_session.h"
#include "base/format.h"

using namespace net_detail;

namespace {

// Win32 numbering of the failures that have no system error behind them.
constexpr int kErrorNotEnoughMemory = 8;
constexpr int kErrorInternetInvalidUrl = 12005;

// What the body and write callbacks share with the attempt.
struct Transfer {
    ResponseHead head;
    std::ostream* output = nullptr;
    const HttpProgress* progress = nullptr;
    std::exception_ptr callbackError;
    bool refusedBody = false;  // an error answer's body never reaches the output
};

bool acceptedStatus(int status) { return status == 200 || status == 304; }

int clampedLength(int64_t length) {
    if (length < 0) return 0;
    return length > INT_MAX ? INT_MAX : static_cast<int>(length);
}

size_t onBody(char* data, size_t size, size_t count, void* context) {
    Transfer& transfer = *static_cast<Transfer*>(context);
    const size_t bytes = size * count;
    if (bytes == 0) return 0;
    if (!acceptedStatus(transfer.head.status)) {
        transfer.refusedBody = true;
        return 0;
    }
    try {
        transfer.output->write(data, static_cast<std::streamsize>(bytes));
        if (!*transfer.output) throw std::runtime_error("Failed to write the downloaded content");
        if (*transfer.progress)
            (*transfer.progress)(static_cast<int>(bytes), clampedLength(transfer.head.contentLength));
    } catch (...) {
        // Never through libcurl's C frames: ends the transfer, rethrown after.
        transfer.callbackError = std::current_exception();
        return 0;
    }
    return bytes;
}

std::string statusError(const ResponseHead& head) {
    if (!head.reason.empty()) return head.reason;
    return format("statusCode = %d", head.status);
}

// The URL of the attempt; a host without a scheme gets the one https asks for.
std::string requestUrl(const std::string& host, const std::string& path, bool https) {
    std::string url = host.find("://") == std::string::npos ? (https ? "https://" : "http://") + host
                                                           : host;
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

CurlHeaders requestHeaders(const std::optional<std::string>& contentType,
                           const std::string& etag) {
    // Without a content type no header goes out, not even libcurl's own for a POST.
    curl_slist* list = curl_slist_append(
        nullptr, contentType ? ("Content-Type: " + *contentType).c_str() : "Content-Type:");
    if (!etag.empty()) list = curl_slist_append(list, format("If-None-Match: \"%s\"", etag.c_str()).c_str());
    // Send the body at once, as the platform's servers expect no interim answer.
    list = curl_slist_append(list, "Expect:");
    return CurlHeaders(list);
}

void setVerbAndBody(CURL* h, const std::string& verb, const std::string& data) {
    if (!data.empty() || verb == "POST") {
        curl_easy_setopt(h, CURLOPT_POST, 1L);
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, data.data());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(data.size()));
        if (verb != "POST") curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, verb.c_str());
    } else if (verb == "HEAD") {
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    } else if (verb != "GET") {
        curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, verb.c_str());
    }
}

// ETag header value without its first and last characters (the quotes).
std::string unquotedEtag(const std::optional<std::string>& raw) {
    if (!raw || raw->size() < 2 || raw->size() >= 256) return {};
    return raw->substr(1, raw->size() - 2);
}

}  // namespace

int httpRequest(const std::string& verb, const std::string& host, const std::string& path,
                std::istream& body, const std::optional<std::string>& contentType,
                std::string& etag, std::ostream& output, bool https,
                const HttpProgress& progress) {
    char errorBuffer[CURL_ERROR_SIZE];
    CurlHandle handle = openCurlHandle(errorBuffer);
    if (!handle)
        throw std::runtime_error(format("InternetOpen failed for %s http://%s%s, Error Code: %d",
                                        verb.c_str(), host.c_str(), path.c_str(),
                                        kErrorNotEnoughMemory));
    CURL* h = handle.get();

    CurlUrl url(curl_url());
    const bool schemeTls = host.rfind("https://", 0) == 0 || (https && host.find("://") == std::string::npos);
    if (!url || curl_url_set(url.get(), CURLUPART_URL, requestUrl(host, path, https).c_str(), 0) != CURLUE_OK)
        throw std::runtime_error(format(
            "InternetConnect failed for %s http://%s%s, Error Code: %d, Port Number: %d",
            verb.c_str(), host.c_str(), path.c_str(), kErrorInternetInvalidUrl, schemeTls ? 443 : 80));
    curl_easy_setopt(h, CURLOPT_CURLU, url.get());

    const std::string data = readBody(body);
    CurlHeaders headers = requestHeaders(contentType, etag);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    setVerbAndBody(h, verb, data);

    Transfer transfer;
    transfer.output = &output;
    transfer.progress = &progress;
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeaderLine);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer.head);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);

    const CURLcode result = curl_easy_perform(h);
    if (transfer.callbackError) std::rethrow_exception(transfer.callbackError);
    if ((result == CURLE_OK || transfer.head.complete) && !acceptedStatus(transfer.head.status))
        throw std::runtime_error(statusError(transfer.head));
    if (result != CURLE_OK) {
        const char* step = transfer.head.statusSeen ? "InternetReadFile failed"
                           : data.empty()           ? "HttpSendRequest failed"
                                                    : "HttpSendRequestEx failed";
        throw std::runtime_error(format("%s: %s", step, curlErrorText(result, errorBuffer, h).c_str()));
    }
    etag = unquotedEtag(transfer.head.etag);
    return transfer.head.status;
}

bool isHttpsHost(const std::string& host) {
    if (host.rfind("https://", 0) == 0) return true;
    if (host.find("://") != std::string::npos) return false;
    const std::string name = host.substr(0, host.find(':'));
    if (name.empty() || name == "localhost") return false;
    return name.find_first_not_of("0123456789.") != std::string::npos;
}
