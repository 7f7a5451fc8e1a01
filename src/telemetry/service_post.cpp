#include "telemetry/service_post.h"

#include <stdexcept>

#include "base/format.h"
#include "net/http_session.h"

using namespace net_detail;

int postToService(const std::string& url, const std::string& contentType, const std::string& body) {
    const std::string unusableUrl = format("InternetConnect failed for %s", url.c_str());
    if (url.empty()) throw std::runtime_error(unusableUrl);
    platform::HttpRequest request = sessionRequest("POST", url);
    // Without a scheme the URL is taken as http.
    request.schemeOptional = true;
    request.http10 = true;
    request.headers = {"Content-Type: " + contentType, "Expect:"};
    request.body = body;
    // Without a sink the answer's body, which nobody reads, is dropped.
    const platform::HttpResult result = performSessionRequest(std::move(request));
    switch (result.failure) {
        case platform::HttpFailure::None:
            return result.head.status;
        case platform::HttpFailure::Setup:
            throw std::runtime_error("InternetOpen failed");
        case platform::HttpFailure::BadUrl:
            throw std::runtime_error(unusableUrl);
        default:
            throw std::runtime_error(format("HttpSendRequest failed: %s", result.message.c_str()));
    }
}
