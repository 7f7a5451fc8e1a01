#pragma once
// A small scripted HTTP (or HTTPS) server on 127.0.0.1 and an ephemeral port
// for the network tests: each path answers from a script of responses, with
// the faults a real server shows (error status, delay, stall, truncated body,
// dropped connection, missing or wrong ETag, no Content-Length), and every
// request is recorded. The answers go out through the local platform
// server's fault injection, so both servers show a fault alike.
//
// Clients reach it through "*.localhost" names with the port (host()), which
// libcurl resolves to loopback, so Host-header and https-first logic run for real.

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "stop_signal.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

class TestCertificate;

struct ScriptedResponse {
    int status = 200;
    std::shared_ptr<const std::string> body = std::make_shared<const std::string>();
    std::optional<std::string> etag;  // the raw ETag header value; none: no header
    std::string contentType = "application/octet-stream";
    int delayMilliseconds = 0;
    bool stall = false;                   // never answers (until the server stops)
    std::optional<size_t> truncateAfter;  // announces the whole body, sends this much, closes
    bool dropConnection = false;          // sends the head, then closes without a body
    bool noContentLength = false;         // no length: the body ends when the connection does
    std::vector<std::pair<std::string, std::string>> headers;  // sent as they are

    // A 200 with body and, unless told otherwise, the quoted MD5 of body as ETag.
    static ScriptedResponse ok(std::string body);
    static ScriptedResponse withStatus(int status, std::string body = {});
};

struct RecordedRequest {
    std::string method;
    std::string path;    // without the query
    std::string target;  // path and query as sent
    std::string host;    // the Host header
    std::optional<std::string> ifNoneMatch;
    std::optional<std::string> contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // all of them, as sent
    int clientPort = 0;  // the client's end of the connection: one per connection

    // The first header of that name (any case).
    std::optional<std::string> header(const std::string& name) const;
};

class LoopbackHttpServer {
public:
    // Plain http, or https with the certificate, on port (0: an ephemeral one).
    // Throws std::runtime_error when the port cannot be had.
    explicit LoopbackHttpServer(int port = 0);
    explicit LoopbackHttpServer(const TestCertificate& tls, int port = 0);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    int port() const { return port_; }
    // "<label>.zorbit.localhost:<port>".
    std::string host(const std::string& label = "www") const;

    // Answers for path, in order; the last one repeats. Unscripted paths get 404.
    void script(const std::string& path, std::vector<ScriptedResponse> responses);
    void serve(const std::string& path, ScriptedResponse response) {
        script(path, {std::move(response)});
    }

    std::vector<RecordedRequest> requests() const;
    std::vector<RecordedRequest> requestsFor(const std::string& path) const;
    size_t countFor(const std::string& path) const { return requestsFor(path).size(); }

    // Lets stalled answers go (the server also lets them go when it stops).
    void releaseStalls();

private:
    void start(int port);
    void handle(const httplib::Request& request, httplib::Response& response);
    void record(const httplib::Request& request);
    ScriptedResponse nextResponse(const std::string& path);

    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex lock_;
    zorbit::server::StopSignal stallsReleased_;
    std::map<std::string, std::vector<ScriptedResponse>> scripts_;
    std::map<std::string, size_t> served_;
    std::vector<RecordedRequest> requests_;
};
