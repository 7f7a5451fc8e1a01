// Asking the platform's ticket service for a game ticket on behalf of a caller
// that has none.
#include <algorithm>
#include <string>

#include "launch/shared_launcher.h"
#include "net/curl_session.h"

using namespace net_detail;

namespace {

// The longest ticket taken from an answer, in bytes.
constexpr size_t kTicketBytes = 2048;

struct TicketTransfer {
    ResponseHead head;
    std::string body;
};

// Keeps the first kTicketBytes of the body and ends the transfer there.
size_t keepTicketBytes(char* data, size_t size, size_t count, void* context) {
    std::string& body = static_cast<TicketTransfer*>(context)->body;
    const size_t bytes = size * count;
    const size_t room = kTicketBytes - body.size();
    body.append(data, std::min(bytes, room));
    return bytes <= room ? bytes : 0;
}

// The host name of url (read as http when it names no scheme); empty when it has none.
std::string hostOf(CURLU* url) {
    char* host = nullptr;
    if (curl_url_get(url, CURLUPART_HOST, &host, 0) != CURLUE_OK || !host) return {};
    std::string text = host;
    curl_free(host);
    return text;
}

}  // namespace

namespace SharedLauncher {

// The ticket is the answer's text (UTF-8) up to its first NUL. The request goes
// over the URL's own scheme, so an https service is asked over TLS.
std::string requestTicket(const std::string& url) {
    try {
        CurlUrl parsed(curl_url());
        if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(),
                                    CURLU_DEFAULT_SCHEME) != CURLUE_OK)
            return {};
        const std::string host = hostOf(parsed.get());
        if (host.empty()) return {};

        char errorBuffer[CURL_ERROR_SIZE];
        CurlHandle handle = openCurlHandle(errorBuffer);
        if (!handle) return {};
        CURL* h = handle.get();
        curl_easy_setopt(h, CURLOPT_CURLU, parsed.get());
        curl_easy_setopt(h, CURLOPT_USERAGENT, "ZorbitProxy");
        CurlHeaders headers(
            curl_slist_append(nullptr, ("ZBTAuthenticationNegotiation:" + host).c_str()));
        if (!headers) return {};
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());

        TicketTransfer transfer;
        curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeaderLine);
        curl_easy_setopt(h, CURLOPT_HEADERDATA, &transfer.head);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, keepTicketBytes);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);

        const CURLcode result = curl_easy_perform(h);
        const bool complete = result == CURLE_OK ||
                              (result == CURLE_WRITE_ERROR && transfer.body.size() == kTicketBytes);
        if (!complete || transfer.head.status != 200) return {};
        return transfer.body.substr(0, transfer.body.find('\0'));
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace SharedLauncher
