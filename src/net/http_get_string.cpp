// The whole body of a small service answer, whatever its status.
#include <stdexcept>
#include <string>

#include "net/http_client.h"
#include "net/http_session.h"

using namespace net_detail;

namespace {

// Service answers are a GUID or a small settings document; a server that
// streams more is not one to keep in memory.
constexpr size_t kMaxAnswerBytes = 4 * 1024 * 1024;

}  // namespace

std::string httpGetString(const std::string& url) {
    platform::HttpRequest request = sessionRequest("GET", url);
    request.http10 = true;
    std::string body;
    request.onBody = [&body](const char* data, size_t size, const platform::HttpResponseHead&) {
        if (body.size() + size > kMaxAnswerBytes) return false;  // ends the transfer as failed
        body.append(data, size);
        return true;
    };
    const platform::HttpResult result = performSessionRequest(std::move(request));
    switch (result.failure) {
        case platform::HttpFailure::None:
            return body;
        case platform::HttpFailure::Setup:
            throw std::runtime_error("httpGetString - InternetOpen ERROR");
        case platform::HttpFailure::BadUrl:
            throw std::runtime_error("httpGetString - InternetConnect ERROR");
        default:
            throw std::runtime_error(result.head.statusSeen
                                         ? "httpGetString - InternetQueryDataAvailable ERROR"
                                         : "httpGetString - HttpSendRequest ERROR");
    }
}
