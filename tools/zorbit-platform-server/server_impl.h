#pragma once
// Inside of PlatformServer, shared by its source files.

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "answer.h"
#include "content_digest.h"
#include "fault.h"
#include "host_roles.h"
#include "journal.h"
#include "platform_server.h"
#include "stop_signal.h"
#include "tls_identity.h"

namespace zorbit::server {

class PlatformServer::Impl {
public:
    explicit Impl(ServerOptions serverOptions);

    void start();
    void stop();
    HostNames names() const;

    ServerOptions options;
    TlsIdentity tls;  // empty unless options.https
    Journal journal;
    FaultTable faults;
    int port = 0;

private:
    void handle(const httplib::Request& request, httplib::Response& response);
    void handleControl(const httplib::Request& request, httplib::Response& response);
    JournalEntry journalEntry(const httplib::Request& request) const;
    // Adds the ETag and turns the answer into a 304 when the client's copy is current.
    std::string applyEtag(const httplib::Request& request, Answer& answer,
                          const std::optional<Fault>& fault);
    // False when the answer must not be written (the connection was dropped).
    bool delayOrDrop(const httplib::Request& request, const std::optional<Fault>& fault);

    // Hashes the root's files ahead of the first requests for them.
    void warmDigests();

    std::unique_ptr<httplib::Server> http_;
    std::thread listener_;
    std::thread warmer_;
    std::atomic<bool> listenerDone_{false};
    StopSignal stopping_;
    FileDigestCache digests_;
    std::chrono::steady_clock::time_point started_;
};

}  // namespace zorbit::server
