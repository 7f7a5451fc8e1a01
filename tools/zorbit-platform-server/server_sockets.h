#pragma once
// Where the server's sockets differ between operating systems: the server
// object (plain HTTP, or both protocols on one port) and the listening
// socket's options.

#include <httplib.h>

#include <memory>

struct ssl_ctx_st;

namespace zorbit::server {

// The first byte of a TLS client's first record. A server without TLS closes
// a connection that opens with it at once, as a real plain-http server refuses
// one, rather than answering 400 and keeping the connection (some TLS clients
// then wait for it to close before they fail).
constexpr unsigned char kTlsHandshake = 0x16;

// A server for plain HTTP, or for plain HTTP and HTTPS on one port when a TLS
// context is given (it must outlive the server). Throws std::runtime_error
// where this build serves no TLS.
std::unique_ptr<httplib::Server> makeHttpServer(ssl_ctx_st* tlsContext);

// No delay for small writes (a head and its body go out in two, and the body
// would wait 40 ms for the client's delayed acknowledgement of the head);
// only SO_REUSEADDR: a second server must not share the port. Not inherited
// by programs a test starts (a launcher, a Studio), which could otherwise
// keep the port bound after the server stops.
void prepareListeningSocket(socket_t sock);

}  // namespace zorbit::server
