#pragma once
// The local platform server: every web service the launcher talks to, on one
// loopback port, told apart by the Host header. Serves the deployments that the
// publisher writes into its root (answering Range and If-Range on them, see
// byte_range.h), keeps a journal of every request and injects faults on request.
//
// Hosts (names without the port; the defaults of ServerOptions):
//   www.qasite1.zorbit.localhost       install host and base host
//   <cdn.txt host>                     content host (mirror of the install host)
//   data.qasite1.zorbit.localhost      data host (log uploads)
//   clientsettings.api.*, ephemeralcounters.api.*, versioncompatibility.api.*
//   control.zorbit.localhost           control endpoint (faults, journal), never journaled

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fault.h"
#include "journal.h"
#include "server_options.h"

namespace zorbit::server {

class PlatformServer {
public:
    explicit PlatformServer(ServerOptions options);
    ~PlatformServer();  // stops
    PlatformServer(const PlatformServer&) = delete;
    PlatformServer& operator=(const PlatformServer&) = delete;

    // Binds and serves on a thread of its own. Throws std::runtime_error when
    // the port cannot be bound.
    void start();
    // Ends stalls and delays, stops listening and waits for the workers.
    void stop();
    int port() const;
    const ServerOptions& options() const;
    // The PEM of the test certificate when serving https, else empty.
    std::string certificatePem() const;

    // Host names (without port) the server answers as.
    std::string installHost() const;
    std::string baseHost() const;
    std::string contentHost() const;  // empty while there is none
    std::string dataHost() const;

    std::vector<JournalEntry> journal() const;
    void clearJournal();
    bool waitForRequest(const std::function<bool(const JournalEntry&)>& predicate,
                        std::chrono::milliseconds timeout) const;
    // The log uploads received (POSTs of /Error/InstallLog.ashx), bodies whole.
    std::vector<JournalEntry> uploads() const;

    void addFault(Fault fault);
    void clearFaults();
    std::vector<Fault> faults() const;

    class Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace zorbit::server
