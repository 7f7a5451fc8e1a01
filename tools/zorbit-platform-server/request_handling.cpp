// One request: route it, apply the fault that matches it, journal it, answer.
#include <algorithm>

#include "byte_range.h"
#include "connection_drop.h"
#include "faulted_answer.h"
#include "platform/md5.h"
#include "routes.h"
#include "server_impl.h"

namespace zorbit::server {
namespace {

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

// The body bytes the answer puts on the wire: none when it is held for good or
// dropped, the fault's cut when there is one.
uint64_t bodyBytesSent(const std::string& method, const Answer& answer,
                       const std::optional<Fault>& fault) {
    if (method == "HEAD" || answer.status == 304) return 0;
    if (fault && (fault->stall || fault->drop)) return 0;
    if (fault && fault->truncateAfter >= 0)
        return std::min<uint64_t>(answer.size(), static_cast<uint64_t>(fault->truncateAfter));
    return answer.size();
}

}  // namespace

JournalEntry PlatformServer::Impl::journalEntry(const httplib::Request& request) const {
    JournalEntry entry;
    entry.timeMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now() - started_)
                       .count();
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
    entry.tls = request.ssl != nullptr;
#endif
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
    // The library would cut any answer to the request's range on its own; the
    // range is this server's to apply (If-Range, 416, ignoring it).
    const_cast<httplib::Request&>(request).ranges.clear();
    if (!options.ignoreRange && !(fault && fault->ignoreRange))
        applyRange(answer, request.get_header_value("Range"), request.get_header_value("If-Range"),
                   etag);

    JournalEntry entry = journalEntry(request);
    entry.status = answer.status;
    entry.bodyBytesSent = bodyBytesSent(request.method, answer, fault);
    if (fault) entry.fault = fault->describe();
    journal.add(std::move(entry));

    if (!delayOrDrop(request, fault)) return;
    sendAnswer(response, answer, etag, fault, stopping_);
}

std::string PlatformServer::Impl::applyEtag(const httplib::Request& request, Answer& answer,
                                            const std::optional<Fault>& fault) {
    if (answer.status != 200 || (request.method != "GET" && request.method != "HEAD")) return "";
    const EtagFault etagFault = fault ? fault->etag : EtagFault::None;
    if (etagFault == EtagFault::Missing) return "";
    std::string digest =
        answer.filePath.empty() ? platform::md5Hex(answer.body) : digests_.digest(answer.filePath);
    if (etagFault == EtagFault::Wrong) digest = platform::md5Hex("wrong " + digest);
    const std::string etag = "\"" + digest + "\"";
    if (request.has_header("If-None-Match") &&
        etagListMatches(request.get_header_value("If-None-Match"), etag)) {
        answer = textAnswer(304, "");
    }
    return etag;
}

bool PlatformServer::Impl::delayOrDrop(const httplib::Request& request,
                                       const std::optional<Fault>& fault) {
    const bool answer = holdAnswer(fault, stopping_, OnRelease::Drop);
    if (!answer) dropConnection(request.local_port, request.remote_port);
    return answer;
}

}  // namespace zorbit::server
