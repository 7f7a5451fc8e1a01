#pragma once
// What the launcher's terminal fallbacks need to know of the process's console.

namespace platform {

// Whether standard input is a terminal a person can answer on.
bool standardInputIsInteractive();
// Whether standard error is a terminal that redraws a line in place (a live
// progress bar); otherwise it gets plain lines.
bool standardErrorRedrawsInPlace();

}  // namespace platform
