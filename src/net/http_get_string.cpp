// The whole body of a small service answer, whatever its status.
#include <stdexcept>
#include <string>

#include "net/curl_session.h"
#include "net/http_client.h"

using namespace net_detail;

namespace {

// Service answers are a GUID or a small settings document; a server that
// streams more is not one to keep in memory.
constexpr size_t kMaxAnswerBytes = 4 * 1024 * 1024;

struct StringTransfer {
    ResponseHead head;
    std::string body;
};

size_t appendBody(char* data, size_t size, size_t count, void* context) {
    std::string& body = static_cast<StringTransfer*>(context)->body;
    if (body.size() + size * count > kMaxAnswerBytes) return 0;  // ends the transfer as failed
    body.append(data, size * count);
    return size * count;
}

}  // namespace

std::string httpGetString(const std::string& url) {
    char errorBuffer[CURL_ERROR_SIZE];
    CurlHandle handle = openCurlHandle(errorBuffer);
    if (!handle) throw std::runtime_error("httpGetString - InternetOpen ERROR");
    CURL* h = handle.get();

    CurlUrl parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        throw std::runtime_error("httpGetString - InternetConnect ERROR");
    curl_easy_setopt(h, CURLOPT_CURLU, parsed.get());
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));

    StringTransfer transfer;
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeaderLine);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer.head);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, appendBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);

    const CURLcode result = curl_easy_perform(h);
    if (result != CURLE_OK) {
        throw std::runtime_error(transfer.head.statusSeen
                                     ? "httpGetString - InternetQueryDataAvailable ERROR"
                                     : "httpGetString - HttpSendRequest ERROR");
    }
    return transfer.body;
}
