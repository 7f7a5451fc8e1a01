#include "telemetry/service_post.h"

#include <stdexcept>

#include "net/curl_session.h"
#include "base/format.h"

using namespace net_detail;

namespace {

size_t dropBody(char*, size_t size, size_t count, void*) {
    return size * count;
}

}  // namespace

int postToService(const std::string& url, const std::string& contentType, const std::string& body) {
    char errorBuffer[CURL_ERROR_SIZE];
    CurlHandle handle = openCurlHandle(errorBuffer);
    if (!handle) throw std::runtime_error("InternetOpen failed");
    CURL* h = handle.get();

    // Without a scheme the URL is taken as http.
    CurlUrl parsed(curl_url());
    if (url.empty() || !parsed ||
        curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), CURLU_DEFAULT_SCHEME) != CURLUE_OK)
        throw std::runtime_error(format("InternetConnect failed for %s", url.c_str()));
    curl_easy_setopt(h, CURLOPT_CURLU, parsed.get());
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));

    curl_slist* list = curl_slist_append(nullptr, ("Content-Type: " + contentType).c_str());
    list = curl_slist_append(list, "Expect:");
    CurlHeaders headers(list);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, dropBody);

    const CURLcode result = curl_easy_perform(h);
    if (result != CURLE_OK)
        throw std::runtime_error(
            format("HttpSendRequest failed: %s", curlErrorText(result, errorBuffer, h).c_str()));
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    return static_cast<int>(status);
}
