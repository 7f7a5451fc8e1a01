// zorbit-win-helper standard-user PROGRAM [ARGUMENT...]
// zorbit-win-helper link FILE.lnk
// zorbit-win-helper start-game LIBRARY.dll TICKET AUTH_URL SCRIPT_URL READY_EVENT
#include <windows.h>
// After windows.h:
#include <shellapi.h>

#include <cstdio>

#include "platform/win32/wide_text.h"
#include "win_helper.h"

namespace {

std::vector<std::string> ownArguments() {
    int count = 0;
    wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; words && i < count; ++i) arguments.push_back(platform::win32::toUtf8(words[i]));
    ::LocalFree(words);
    return arguments;
}

}  // namespace

int main() {
    const std::vector<std::string> arguments = ownArguments();
    if (arguments.size() >= 2 && arguments[0] == "standard-user")
        return runAsStandardUser({arguments.begin() + 1, arguments.end()});
    if (arguments.size() == 2 && arguments[0] == "link") return printLink(arguments[1]);
    if (arguments.size() == 6 && arguments[0] == "start-game")
        return startGameFromLibrary(arguments[1], {arguments.begin() + 2, arguments.end()});
    std::fprintf(stderr,
                 "usage: zorbit-win-helper standard-user PROGRAM [ARGUMENT...]\n"
                 "       zorbit-win-helper link FILE.lnk\n"
                 "       zorbit-win-helper start-game LIBRARY.dll TICKET AUTH_URL SCRIPT_URL "
                 "READY_EVENT\n");
    return 2;
}
