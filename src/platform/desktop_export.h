#pragma once
// What the desktop needs, besides the registry's keys, to open a file type and
// a URL protocol with a program: its own records of both, and the refresh of
// what it caches of them.

#include <functional>
#include <string>

namespace platform {

// Lines for the run's log.
using ExportLog = std::function<void(const std::string& line)>;

struct FileTypeExport {
    std::string id;  // names the type's records
    std::string mimeType;
    std::string extension;    // ".zbtl"
    std::string description;  // what the desktop calls the files
    std::string handlerName;  // what the desktop calls the program
    std::string program;
    std::string arguments;  // in front of the file the program gets
};

struct ProtocolExport {
    std::string scheme;
    std::string handlerName;
    std::string program;  // gets the whole URL as its only argument
};

// Each export answers the empty string when it is done, else the file it could
// not write, with the last error set. The records are those of the scope.
// Exports and removals raise std::runtime_error when the scope's folders cannot
// be found; a failed refresh is only logged.
std::string exportFileType(bool perUser, const FileTypeExport& type, const ExportLog& log);
std::string exportProtocol(bool perUser, const ProtocolExport& protocol, const ExportLog& log);
// Removals log each record they remove.
void removeFileType(bool perUser, const std::string& id, const ExportLog& log);
void removeProtocol(bool perUser, const std::string& scheme, const ExportLog& log);

}  // namespace platform
