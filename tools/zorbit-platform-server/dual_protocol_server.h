#pragma once
// One port for both plain HTTP and HTTPS, as the platform's hosts answer both:
// the first byte of a connection tells a TLS handshake (0x16) from a request.
// The library serves one or the other per server object, so this server runs
// the connection itself and hands each request to the library's request
// processing through its own stream for either kind of connection.

#include <httplib.h>

#include <functional>

struct ssl_ctx_st;

namespace zorbit::server {

class DualProtocolServer : public httplib::Server {
public:
    // The context must outlive the server; without one the server answers
    // plain http only and closes a connection that opens with a TLS handshake.
    explicit DualProtocolServer(ssl_ctx_st* context) : context_(context) {}

private:
    bool process_and_close_socket(socket_t sock) override;
    // hasBuffered: whether the stream holds received bytes not yet read.
    bool serve(httplib::Stream& stream, void* ssl, const std::function<bool()>& hasBuffered);

    ssl_ctx_st* context_;
};

}  // namespace zorbit::server
