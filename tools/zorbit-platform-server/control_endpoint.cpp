// The control endpoint, for tests that drive a server process: any port, Host
// control.zorbit.localhost (any name starting with "control."), never journaled.
//
//   POST   /faults         body: one fault object or an array of them (see fault.h)
//   GET    /faults         the faults in force, as a JSON array
//   DELETE /faults         removes every fault (also POST /faults/clear)
//   GET    /journal        the journal as JSON lines
//   DELETE /journal        empties the in-memory journal (also POST /journal/clear)
//   GET    /health         "ok"
#include "server_impl.h"

namespace zorbit::server {

void PlatformServer::Impl::handleControl(const httplib::Request& request,
                                         httplib::Response& response) {
    const std::string& method = request.method;
    const std::string& path = request.path;
    response.status = 200;
    if (path == "/health") {
        response.set_content("ok", "text/plain");
    } else if (path == "/faults" && method == "POST") {
        try {
            const std::vector<Fault> added = parseFaults(request.body);
            for (const Fault& fault : added) faults.add(fault);
            response.set_content("{\"added\":" + std::to_string(added.size()) + "}",
                                 "application/json");
        } catch (const std::exception& e) {
            response.status = 400;
            response.set_content(e.what(), "text/plain");
        }
    } else if (path == "/faults" && method == "GET") {
        response.set_content(faultsToJson(faults.list()), "application/json");
    } else if ((path == "/faults" && method == "DELETE") ||
               (path == "/faults/clear" && method == "POST")) {
        faults.clear();
        response.set_content("{}", "application/json");
    } else if (path == "/journal" && method == "GET") {
        std::string lines;
        for (const JournalEntry& entry : journal.entries())
            lines += journalEntryToJson(entry) + "\n";
        response.set_content(lines, "application/x-ndjson");
    } else if ((path == "/journal" && method == "DELETE") ||
               (path == "/journal/clear" && method == "POST")) {
        journal.clear();
        response.set_content("{}", "application/json");
    } else {
        response.status = 404;
        response.set_content("Not Found", "text/plain");
    }
}

}  // namespace zorbit::server
