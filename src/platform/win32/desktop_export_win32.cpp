// The shell reads a file type and a URL protocol straight from the registry's
// classes, which the caller has already written; there are no records of the
// desktop's own to write, only the shell's cached associations to refresh.
#include <shlobj.h>
#include <windows.h>

#include "platform/desktop_export.h"

namespace platform {

namespace {

std::string scopeName(bool perUser) {
    return perUser ? "the current user" : "all users";
}

// Explorer drops its cached icons and handlers; the call itself cannot fail.
void refreshShellAssociations(const std::string& what, bool perUser, const ExportLog& log) {
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    log("Refreshed the shell's associations for " + what + " (" + scopeName(perUser) + ")");
}

}  // namespace

std::string exportFileType(bool perUser, const FileTypeExport& type, const ExportLog& log) {
    refreshShellAssociations("file type " + type.extension, perUser, log);
    return {};
}

std::string exportProtocol(bool perUser, const ProtocolExport& protocol, const ExportLog& log) {
    refreshShellAssociations("URL protocol " + protocol.scheme + ":", perUser, log);
    return {};
}

void removeFileType(bool perUser, const std::string& id, const ExportLog& log) {
    refreshShellAssociations("removed file type " + id, perUser, log);
}

void removeProtocol(bool perUser, const std::string& scheme, const ExportLog& log) {
    refreshShellAssociations("removed URL protocol " + scheme + ":", perUser, log);
}

}  // namespace platform
