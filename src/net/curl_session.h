#pragma once
// What every request of the launcher shares: one libcurl easy handle per
// request, opened with the launcher's agent, the environment's proxy, the
// system's CA store and the stall bound; and the reading of the answer's head.

#include <curl/curl.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace net_detail {

// Frees a handle made by openCurlHandle, with what it carries.
void closeCurlHandle(CURL* handle);

struct CurlCleanup {
    void operator()(CURL* handle) const { closeCurlHandle(handle); }
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using CurlHandle = std::unique_ptr<CURL, CurlCleanup>;
using CurlHeaders = std::unique_ptr<curl_slist, CurlCleanup>;
using CurlUrl = std::unique_ptr<CURLU, CurlCleanup>;

// A new easy handle with the common options, writing libcurl's error text to
// errorBuffer (CURL_ERROR_SIZE bytes); null when libcurl cannot make one.
CurlHandle openCurlHandle(char* errorBuffer);

// The head of the latest answer of a transfer. Redirects and interim answers
// start it anew.
struct ResponseHead {
    bool statusSeen = false;
    bool complete = false;  // the blank line after the headers arrived
    int status = 0;
    std::string reason;
    std::optional<std::string> etag;  // the first ETag header's raw value
    int64_t contentLength = -1;

    // Takes one header line as libcurl hands it over (with its line break).
    void addLine(const char* data, size_t size);
};

// libcurl header callback over a ResponseHead.
size_t onHeaderLine(char* data, size_t size, size_t count, void* head);

// The text for a failed transfer: the speed floor's when that ended it, else
// libcurl's error buffer, else libcurl's general text for the code.
std::string curlErrorText(CURLcode code, const char* errorBuffer, CURL* handle = nullptr);

}  // namespace net_detail
