#include "platform/shell.h"
#include "platform/win32/shell_execute.h"

namespace platform {

bool openUrl(const std::string& url) {
    return win32::shellExecute(L"open", url, {});
}

}  // namespace platform
