#include <io.h>
#include <windows.h>

#include <cstdio>

#include "platform/console.h"

namespace platform {

bool standardInputIsInteractive() {
    return _isatty(_fileno(stdin)) != 0;
}

// The live bar redraws its line with escape sequences, which a console reads
// only once asked to; a console that cannot gets plain lines.
bool standardErrorRedrawsInPlace() {
    if (!_isatty(_fileno(stderr))) return false;
    HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(console, &mode)) return false;
    return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

}  // namespace platform
