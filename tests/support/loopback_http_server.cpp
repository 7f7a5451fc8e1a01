#include "support/loopback_http_server.h"

#include <httplib.h>
#include <strings.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "faulted_answer.h"
#include "platform/md5.h"
#include "support/test_certificate.h"

namespace {

namespace server = zorbit::server;

std::optional<std::string> headerOf(const httplib::Request& request, const char* name) {
    if (!request.has_header(name)) return std::nullopt;
    return request.get_header_value(name);
}

std::vector<std::pair<std::string, std::string>> headersOf(const httplib::Request& request) {
    return {request.headers.begin(), request.headers.end()};
}

server::Answer answerOf(const ScriptedResponse& scripted) {
    server::Answer answer;
    answer.status = scripted.status;
    answer.contentType = scripted.contentType;
    answer.body = *scripted.body;
    answer.headers = scripted.headers;
    // A drop must show on an empty body too: one byte is announced, none is sent.
    if (scripted.dropConnection && answer.body.empty()) answer.body = " ";
    return answer;
}

server::Fault faultOf(const ScriptedResponse& scripted) {
    server::Fault fault;
    fault.delayMs = scripted.delayMilliseconds;
    fault.stall = scripted.stall;
    if (scripted.dropConnection) {
        // The head goes out, then the connection closes before the first body byte.
        fault.truncateAfter = 0;
    } else if (!scripted.body->empty()) {
        // An empty body goes out whole: there is nothing to cut or to leave unlengthed.
        if (scripted.truncateAfter)
            fault.truncateAfter = static_cast<int64_t>(*scripted.truncateAfter);
        fault.noContentLength = scripted.noContentLength;
    }
    return fault;
}

}  // namespace

ScriptedResponse ScriptedResponse::ok(std::string body) {
    ScriptedResponse response;
    response.etag = "\"" + platform::md5Hex(body) + "\"";
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

#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
LoopbackHttpServer::LoopbackHttpServer(const TestCertificate& tls, int port)
    : server_(std::make_unique<httplib::SSLServer>(tls.certificate(), tls.privateKey())) {
    start(port);
}
#else
// The Windows build has no OpenSSL, so no https server.
LoopbackHttpServer::LoopbackHttpServer(const TestCertificate&, int) {
    throw std::runtime_error("no https test server without OpenSSL");
}
#endif

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
    stallsReleased_.trigger();
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

void LoopbackHttpServer::record(const httplib::Request& request) {
    std::lock_guard guard(lock_);
    requests_.push_back({request.method, request.path, request.target,
                         request.get_header_value("Host"), headerOf(request, "If-None-Match"),
                         headerOf(request, "Content-Type"), request.body, headersOf(request),
                         request.remote_port});
}

void LoopbackHttpServer::handle(const httplib::Request& request, httplib::Response& response) {
    record(request);
    // Answers go out as scripted, not cut to the request's range by the library.
    const_cast<httplib::Request&>(request).ranges.clear();
    const ScriptedResponse scripted = nextResponse(request.path);
    const std::optional<server::Fault> fault = faultOf(scripted);
    // A released stall answers as scripted: the tests go on after it.
    server::holdAnswer(fault, stallsReleased_, server::OnRelease::Answer);
    server::sendAnswer(response, answerOf(scripted), scripted.etag.value_or(""), fault,
                       stallsReleased_);
}
