#pragma once
// What every request of the launcher shares: its agent, the stall bound, the
// speed floor, the calling thread's time bound and the trusted certificates.

#include <string>

#include "platform/http_transport.h"

namespace net_detail {

// A request of the method for the URL with the shared settings.
platform::HttpRequest sessionRequest(const std::string& method, const std::string& url);

// Performs the request under the speed floor, on the connection when one is
// given; a transfer the floor ended fails with the floor's text as its message.
platform::HttpResult performSessionRequest(platform::HttpRequest request,
                                           platform::HttpConnection* connection = nullptr);

}  // namespace net_detail
