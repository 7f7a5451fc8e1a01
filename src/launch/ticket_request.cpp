// Asking the platform's ticket service for a game ticket on behalf of a caller
// that has none.
#include <algorithm>
#include <string>

#include "launch/shared_launcher.h"
#include "net/http_session.h"

using namespace net_detail;

namespace {

// The longest ticket taken from an answer, in bytes.
constexpr size_t kTicketBytes = 2048;

// Keeps the first kTicketBytes of the body and ends the transfer there.
bool keepTicketBytes(std::string& body, const char* data, size_t bytes) {
    const size_t room = kTicketBytes - body.size();
    body.append(data, std::min(bytes, room));
    return bytes <= room;
}

}  // namespace

namespace SharedLauncher {

// The ticket is the answer's text (UTF-8) up to its first NUL. The request goes
// over the URL's own scheme, so an https service is asked over TLS.
std::string requestTicket(const std::string& url) {
    try {
        // Read as http when the URL names no scheme.
        const std::string host = platform::urlHost(url);
        if (host.empty()) return {};

        platform::HttpRequest request = sessionRequest("GET", url);
        request.schemeOptional = true;
        request.userAgent = "ZorbitProxy";
        request.headers = {"ZBTAuthenticationNegotiation:" + host};
        std::string body;
        request.onBody = [&body](const char* data, size_t bytes,
                                 const platform::HttpResponseHead&) {
            return keepTicketBytes(body, data, bytes);
        };
        const platform::HttpResult result = performSessionRequest(std::move(request));
        const bool complete =
            result.ok() ||
            (result.failure == platform::HttpFailure::BodyRefused && body.size() == kTicketBytes);
        if (!complete || result.head.status != 200) return {};
        return body.substr(0, body.find('\0'));
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace SharedLauncher
