#pragma once
// Closing a request's connection from inside its handler, which the HTTP
// library does not offer: the connection's socket is found among the
// process's descriptors by its two ports and shut down, so the client sees
// the connection end without an answer.

namespace zorbit::server {

// True when the socket was found and shut down.
bool dropConnection(int localPort, int remotePort);

}  // namespace zorbit::server
