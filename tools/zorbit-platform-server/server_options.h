#pragma once
// What one local platform server serves and where it listens.

#include <cstddef>
#include <string>

namespace zorbit::server {

struct ServerOptions {
    // Folder of the deployments written by the publisher (flat: one file per path).
    std::string root;
    // Loopback only: the server is a test and demo tool.
    std::string bindAddress = "127.0.0.1";
    // 0 picks a free port; PlatformServer::port() tells which.
    int port = 0;

    // Host names without a port. The site host is the install host and the base
    // host unless either is given on its own.
    std::string siteHost = "www.qasite1.zorbit.localhost";
    std::string installHost;
    std::string baseHost;
    // Empty: the host named by the root's cdn.txt.
    std::string contentHost;
    // Empty: the base host with "data" in place of its "www" (or "m") label.
    std::string dataHost;

    // The file in the root that names the current version GUID.
    std::string versionFileName = "versionZARadada";
    // Whether the version-compatibility service puts the GUID in double quotes.
    bool quoteVersionCompatibility = true;

    // Answer Range requests with the whole file, like a server without range support.
    bool ignoreRange = false;

    // JSON-lines copy of the journal; empty: in memory only.
    std::string journalPath;
    // Request bodies up to this size are kept in the journal (log uploads always are).
    size_t journalBodyLimit = 64 * 1024;

    // Also answer TLS on the same port, with a certificate made at start for
    // the hosts above; its PEM is written to certificateFile when one is named.
    bool https = false;
    std::string certificateFile;

    // Worker threads: stalled requests hold one each, and the launcher opens
    // sixteen downloads at once.
    int threads = 64;
};

}  // namespace zorbit::server
