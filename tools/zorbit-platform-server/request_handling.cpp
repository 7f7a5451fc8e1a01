// One request: route it, apply the fault that matches it, journal it, answer.
#include <algorithm>
#include <fstream>
#include <vector>

#include "connection_drop.h"
#include "routes.h"
#include "server_impl.h"

namespace zorbit::server {
namespace {

constexpr size_t kChunk = 64 * 1024;

std::string trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool etagListMatches(const std::string& list, const std::string& etag) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        std::string candidate = trim(list.substr(start, end - start));
        if (candidate.rfind("W/", 0) == 0) candidate.erase(0, 2);
        if (candidate == "*" || candidate == etag) return true;
        start = end + 1;
    }
    return false;
}

// The bytes of an answer, read in chunks by the library's content provider.
struct BodySource {
    std::vector<char> buffer = std::vector<char>(kChunk);
    std::string memory;
    std::ifstream file;
    bool fromFile = false;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();

    size_t read(uint64_t offset, char* out, size_t size) {
        if (!fromFile) {
            if (offset >= memory.size()) return 0;
            const size_t n = std::min<uint64_t>(size, memory.size() - offset);
            std::copy_n(memory.data() + offset, n, out);
            return n;
        }
        file.clear();
        file.seekg(static_cast<std::streamoff>(offset));
        file.read(out, static_cast<std::streamsize>(size));
        return static_cast<size_t>(file.gcount());
    }
};

}  // namespace

JournalEntry PlatformServer::Impl::journalEntry(const httplib::Request& request) const {
    JournalEntry entry;
    entry.timeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - started_)
                       .count();
    entry.tls = request.ssl != nullptr;
    entry.method = request.method;
    entry.host = request.get_header_value("Host");
    entry.target = request.target;
    entry.path = request.path;
    for (const auto& [name, value] : request.headers) {
        // The library adds these for its own bookkeeping; they were not sent.
        if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
            name == "LOCAL_PORT")
            continue;
        entry.headers.emplace_back(name, value);
    }
    entry.bodySize = request.body.size();
    if (request.body.size() <= options.journalBodyLimit || isLogUploadPath(request.path)) {
        entry.body = request.body;
        entry.bodyKept = true;
    }
    return entry;
}

void PlatformServer::Impl::handle(const httplib::Request& request, httplib::Response& response) {
    const std::string hostName = hostNameOf(request.get_header_value("Host"));
    const HostNames hosts = names();
    const HostRoles roles = classifyHost(hostName, hosts);
    if (roles.control) return handleControl(request, response);

    const std::optional<Fault> fault = faults.take(request.method, hostName, request.path);
    Answer answer;
    try {
        answer = route(RouteRequest{options, hosts, roles, request.method, request.path});
    } catch (const std::exception& e) {
        answer = textAnswer(500, e.what());
    }
    if (fault && fault->status) answer = textAnswer(fault->status, "Injected fault");
    std::string etag = applyEtag(request, answer, fault);

    JournalEntry entry = journalEntry(request);
    entry.status = answer.status;
    if (fault) entry.fault = fault->describe();
    journal.add(std::move(entry));

    if (!delayOrDrop(request, fault)) return;
    send(response, answer, etag, fault);
}

std::string PlatformServer::Impl::applyEtag(const httplib::Request& request, Answer& answer,
                                            const std::optional<Fault>& fault) {
    if (answer.status != 200 || (request.method != "GET" && request.method != "HEAD")) return "";
    const EtagFault etagFault = fault ? fault->etag : EtagFault::None;
    if (etagFault == EtagFault::Missing) return "";
    std::string digest =
        answer.filePath.empty() ? md5Hex(answer.body) : digests_.digest(answer.filePath);
    if (etagFault == EtagFault::Wrong) digest = md5Hex("wrong " + digest);
    const std::string etag = "\"" + digest + "\"";
    if (request.has_header("If-None-Match") &&
        etagListMatches(request.get_header_value("If-None-Match"), etag)) {
        answer = textAnswer(304, "");
    }
    return etag;
}

bool PlatformServer::Impl::delayOrDrop(const httplib::Request& request,
                                       const std::optional<Fault>& fault) {
    if (!fault) return true;
    bool drop = fault->drop;
    if (fault->delayMs > 0 && stopping_.waitFor(std::chrono::milliseconds(fault->delayMs)))
        drop = true;
    if (fault->stall) {
        stopping_.waitForever();
        drop = true;
    }
    if (drop) dropConnection(request.local_port, request.remote_port);
    return !drop;
}

void PlatformServer::Impl::send(httplib::Response& response, const Answer& answer,
                                const std::string& etag, const std::optional<Fault>& fault) {
    response.status = answer.status;
    if (!etag.empty()) response.set_header("ETag", etag);
    if (answer.status == 304) return;

    const bool shaped = fault && (fault->truncateAfter >= 0 || fault->noContentLength ||
                                  fault->chunked || fault->bytesPerSecond > 0);
    if (answer.filePath.empty() && !shaped) {
        response.set_content(answer.body, answer.contentType);
        return;
    }
    auto source = std::make_shared<BodySource>();
    if (answer.filePath.empty()) {
        source->memory = answer.body;
    } else {
        source->fromFile = true;
        source->file.open(answer.filePath, std::ios::binary);
    }
    const uint64_t size = answer.size();
    const uint64_t limit =
        fault && fault->truncateAfter >= 0
            ? std::min<uint64_t>(size, static_cast<uint64_t>(fault->truncateAfter))
            : size;
    const int64_t rate = fault ? fault->bytesPerSecond : 0;

    // Writes the next chunk; false ends the connection (truncation, stop, read error).
    auto writeChunk = [this, source, limit, rate](uint64_t offset, httplib::DataSink& sink) {
        if (offset >= limit) return false;
        size_t want = static_cast<size_t>(std::min<uint64_t>(kChunk, limit - offset));
        if (rate > 0) want = std::min<size_t>(want, std::max<int64_t>(rate / 10, 1));
        const size_t got = source->read(offset, source->buffer.data(), want);
        if (got == 0) return false;
        if (rate > 0) {
            // A chunk leaves when the rate allows its last byte, so the whole body takes size /
            // rate.
            const auto due =
                std::chrono::milliseconds((offset + got) * 1000 / static_cast<uint64_t>(rate));
            const auto spent = std::chrono::steady_clock::now() - source->started;
            if (due > spent &&
                stopping_.waitFor(
                    std::chrono::duration_cast<std::chrono::milliseconds>(due - spent)))
                return false;
        }
        return sink.write(source->buffer.data(), got);
    };

    if (fault && (fault->noContentLength || fault->chunked)) {
        auto provider = [writeChunk, size, limit](size_t offset, httplib::DataSink& sink) {
            if (offset >= size && limit == size) {
                sink.done();
                return true;
            }
            return writeChunk(offset, sink);
        };
        if (fault->chunked) {
            response.set_chunked_content_provider(answer.contentType, provider);
        } else {
            response.set_content_provider(answer.contentType, provider);
        }
        return;
    }
    response.set_content_provider(static_cast<size_t>(size), answer.contentType,
                                  [writeChunk](size_t offset, size_t, httplib::DataSink& sink) {
                                      return writeChunk(offset, sink);
                                  });
}

}  // namespace zorbit::server
