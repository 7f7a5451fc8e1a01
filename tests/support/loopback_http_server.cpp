#include "support/loopback_http_server.h"

#include <httplib.h>
#include <openssl/evp.h>
#include <strings.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "support/test_certificate.h"

namespace {

constexpr size_t kSlice = 64 * 1024;

std::optional<std::string> headerOf(const httplib::Request& request, const char* name) {
    if (!request.has_header(name)) return std::nullopt;
    return request.get_header_value(name);
}

std::vector<std::pair<std::string, std::string>> headersOf(const httplib::Request& request) {
    return {request.headers.begin(), request.headers.end()};
}

}  // namespace

std::string md5Hex(const std::string& data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(data.data(), data.size(), digest, &size, EVP_md5(), nullptr);
    static const char* digits = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        hex += digits[digest[i] >> 4];
        hex += digits[digest[i] & 15];
    }
    return hex;
}

ScriptedResponse ScriptedResponse::ok(std::string body) {
    ScriptedResponse response;
    response.etag = "\"" + md5Hex(body) + "\"";
    response.body = std::make_shared<const std::string>(std::move(body));
    return response;
}

ScriptedResponse ScriptedResponse::withStatus(int status, std::string body) {
    ScriptedResponse response;
    response.status = status;
    response.contentType = "text/html";
    response.body = std::make_shared<const std::string>(std::move(body));
    return response;
}

LoopbackHttpServer::LoopbackHttpServer(int port) : server_(std::make_unique<httplib::Server>()) {
    start(port);
}

LoopbackHttpServer::LoopbackHttpServer(const TestCertificate& tls, int port)
    : server_(std::make_unique<httplib::SSLServer>(tls.certificate(), tls.privateKey())) {
    start(port);
}

LoopbackHttpServer::~LoopbackHttpServer() {
    releaseStalls();
    server_->stop();
    if (thread_.joinable()) thread_.join();
}

void LoopbackHttpServer::start(int port) {
    if (!server_->is_valid()) throw std::runtime_error("test server cannot start");
    const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    };
    server_->Get(".*", handler);
    server_->Post(".*", handler);
    server_->set_keep_alive_timeout(1);
    if (port == 0) {
        port_ = server_->bind_to_any_port("127.0.0.1");
    } else if (server_->bind_to_port("127.0.0.1", port)) {
        port_ = port;
    }
    if (port_ <= 0) throw std::runtime_error("test server cannot bind");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::string LoopbackHttpServer::host(const std::string& label) const {
    return label + ".zorbit.localhost:" + std::to_string(port_);
}

void LoopbackHttpServer::script(const std::string& path, std::vector<ScriptedResponse> responses) {
    std::lock_guard guard(lock_);
    scripts_[path] = std::move(responses);
    served_[path] = 0;
}

std::optional<std::string> RecordedRequest::header(const std::string& name) const {
    for (const auto& [key, value] : headers)
        if (strcasecmp(key.c_str(), name.c_str()) == 0) return value;
    return std::nullopt;
}

std::vector<RecordedRequest> LoopbackHttpServer::requests() const {
    std::lock_guard guard(lock_);
    return requests_;
}

std::vector<RecordedRequest> LoopbackHttpServer::requestsFor(const std::string& path) const {
    std::vector<RecordedRequest> matching;
    for (const RecordedRequest& request : requests())
        if (request.path == path) matching.push_back(request);
    return matching;
}

void LoopbackHttpServer::releaseStalls() {
    std::lock_guard guard(lock_);
    stallsReleased_ = true;
    stallReleased_.notify_all();
}

void LoopbackHttpServer::waitWhileStalled() {
    std::unique_lock guard(lock_);
    stallReleased_.wait(guard, [this] { return stallsReleased_; });
}

ScriptedResponse LoopbackHttpServer::nextResponse(const std::string& path) {
    std::lock_guard guard(lock_);
    auto script = scripts_.find(path);
    if (script == scripts_.end() || script->second.empty())
        return ScriptedResponse::withStatus(404, "<html>not found</html>");
    size_t& index = served_[path];
    const ScriptedResponse& response = script->second[std::min(index, script->second.size() - 1)];
    ++index;
    return response;
}

void LoopbackHttpServer::handle(const httplib::Request& request, httplib::Response& response) {
    {
        std::lock_guard guard(lock_);
        requests_.push_back({request.method, request.path, request.target,
                             request.get_header_value("Host"), headerOf(request, "If-None-Match"),
                             headerOf(request, "Content-Type"), request.body, headersOf(request)});
    }
    const ScriptedResponse scripted = nextResponse(request.path);
    if (scripted.delayMilliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(scripted.delayMilliseconds));
    if (scripted.stall) waitWhileStalled();

    response.status = scripted.status;
    if (scripted.etag) response.set_header("ETag", *scripted.etag);
    const std::shared_ptr<const std::string> body = scripted.body;
    if (scripted.status == 304) return;
    if (scripted.dropConnection) {
        response.set_content_provider(std::max<size_t>(body->size(), 1), scripted.contentType,
                                      [](size_t, size_t, httplib::DataSink&) { return false; });
        return;
    }
    if (body->empty()) {
        response.set_content(std::string(), scripted.contentType);
        return;
    }
    const size_t limit = scripted.truncateAfter.value_or(body->size());
    if (scripted.noContentLength) {
        response.set_content_provider(
            scripted.contentType, [body, limit](size_t offset, httplib::DataSink& sink) {
                if (offset >= limit) {
                    if (limit < body->size()) return false;
                    sink.done();
                    return true;
                }
                return sink.write(body->data() + offset, std::min(kSlice, limit - offset));
            });
        return;
    }
    response.set_content_provider(
        body->size(), scripted.contentType,
        [body, limit](size_t offset, size_t length, httplib::DataSink& sink) {
            if (offset >= limit) return false;
            return sink.write(body->data() + offset, std::min({kSlice, length, limit - offset}));
        });
}
