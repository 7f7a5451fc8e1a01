#include "platform_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "dual_protocol_server.h"
#include "routes.h"
#include "server_impl.h"

namespace zorbit::server {

PlatformServer::Impl::Impl(ServerOptions serverOptions)
    : options(std::move(serverOptions)), journal(options.journalPath) {}

void PlatformServer::Impl::start() {
    started_ = std::chrono::steady_clock::now();
    stopping_.reset();
    if (options.https) {
        const HostNames hosts = names();
        tls = makeTlsIdentity({hosts.install, hosts.base, hosts.content, hosts.data});
        if (!options.certificateFile.empty())
            std::ofstream(options.certificateFile) << tls.certificatePem;
        http_ = std::make_unique<DualProtocolServer>(tls.context);
    } else {
        http_ = std::make_unique<httplib::Server>();
    }
    const size_t threads = static_cast<size_t>(std::max(options.threads, 2));
    http_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    // Only SO_REUSEADDR: a second server must not share the port. Not inherited
    // by programs a test starts (a launcher, a Studio), which could otherwise
    // keep the port bound after the server stops.
    auto listening = std::make_shared<socket_t>(-1);
    http_->set_socket_options([listening](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        ::fcntl(sock, F_SETFD, FD_CLOEXEC);
        *listening = sock;
    });
    // Short keep-alive: an idle client connection must not hold up stop().
    http_->set_keep_alive_timeout(1);
    // An answer's head and body go out in separate writes: without this the
    // body waits for the client's delayed acknowledgement, some 40 ms per
    // request on a kept connection, as a static server's tcp_nodelay avoids.
    http_->set_tcp_nodelay(true);
    auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    };
    // Bodies are read through a content reader: the library's own reading caps
    // form-encoded bodies at 8 KiB, which the platform does not.
    auto bodyHandler = [this](const httplib::Request& request, httplib::Response& response,
                              const httplib::ContentReader& reader) {
        if (request.is_multipart_form_data()) {
            response.status = 415;
            return;
        }
        httplib::Request whole = request;
        reader([&whole](const char* data, size_t size) {
            whole.body.append(data, size);
            return true;
        });
        handle(whole, response);
    };
    http_->Get(".*", handler).Delete(".*", handler).Options(".*", handler);
    http_->Post(".*", bodyHandler).Put(".*", bodyHandler);

    port = options.port == 0
               ? http_->bind_to_any_port(options.bindAddress)
               : (http_->bind_to_port(options.bindAddress, options.port) ? options.port : -1);
    if (port <= 0)
        throw std::runtime_error("cannot listen on " + options.bindAddress + ":" +
                                 std::to_string(options.port));
    warmer_ = std::thread([this] { warmDigests(); });
    // The library listens with a backlog of 5: the connections of sixteen parallel
    // downloads overflow it, and every SYN dropped costs its client a 1 s retry.
    if (*listening >= 0) ::listen(*listening, SOMAXCONN);
    listener_ = std::thread([this] {
        http_->listen_after_bind();
        listenerDone_ = true;
    });
    // stop() only works once the library counts itself as running.
    while (!http_->is_running() && !listenerDone_)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void PlatformServer::Impl::stop() {
    if (!listener_.joinable()) return;
    stopping_.trigger();
    http_->stop();
    listener_.join();
    warmer_.join();
}

void PlatformServer::Impl::warmDigests() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(options.root, error)) {
        if (stopping_.stopped()) return;
        if (entry.path().extension() != ".zip" && entry.path().extension() != ".exe") continue;
        try {
            digests_.digest(entry.path().string());
        } catch (const std::exception&) {
            // Hashed again, and reported, when it is asked for.
        }
    }
}

HostNames PlatformServer::Impl::names() const {
    return hostNames(options, readRootFile(options.root, "cdn.txt"));
}

PlatformServer::PlatformServer(ServerOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

PlatformServer::~PlatformServer() {
    stop();
}

void PlatformServer::start() {
    impl_->start();
}
void PlatformServer::stop() {
    impl_->stop();
}
int PlatformServer::port() const {
    return impl_->port;
}
const ServerOptions& PlatformServer::options() const {
    return impl_->options;
}
std::string PlatformServer::certificatePem() const {
    return impl_->tls.certificatePem;
}

std::string PlatformServer::installHost() const {
    return impl_->names().install;
}
std::string PlatformServer::baseHost() const {
    return impl_->names().base;
}
std::string PlatformServer::contentHost() const {
    return impl_->names().content;
}
std::string PlatformServer::dataHost() const {
    return impl_->names().data;
}

std::vector<JournalEntry> PlatformServer::journal() const {
    return impl_->journal.entries();
}
void PlatformServer::clearJournal() {
    impl_->journal.clear();
}

bool PlatformServer::waitForRequest(const std::function<bool(const JournalEntry&)>& predicate,
                                    std::chrono::milliseconds timeout) const {
    return impl_->journal.waitFor(predicate, timeout);
}

std::vector<JournalEntry> PlatformServer::uploads() const {
    std::vector<JournalEntry> uploads;
    for (JournalEntry& entry : impl_->journal.entries())
        if (entry.method == "POST" && isLogUploadPath(entry.path))
            uploads.push_back(std::move(entry));
    return uploads;
}

void PlatformServer::addFault(Fault fault) {
    impl_->faults.add(std::move(fault));
}
void PlatformServer::clearFaults() {
    impl_->faults.clear();
}
std::vector<Fault> PlatformServer::faults() const {
    return impl_->faults.list();
}

}  // namespace zorbit::server
