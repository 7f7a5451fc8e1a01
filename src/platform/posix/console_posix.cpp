#include <unistd.h>

#include "platform/console.h"

namespace platform {

bool standardInputIsInteractive() {
    return ::isatty(STDIN_FILENO) == 1;
}

bool standardErrorRedrawsInPlace() {
    return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace platform
