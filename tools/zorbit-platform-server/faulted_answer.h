#pragma once
// An answer on its way out with a fault applied: held back (delay, stall),
// then written with its body cut short, without a length, chunked or
// throttled. The local platform server and the tests' scripted server both
// answer through here, so a fault looks the same on the wire from either.

#include <optional>
#include <string>

#include "answer.h"
#include "fault.h"
#include "stop_signal.h"

namespace httplib {
struct Response;
}  // namespace httplib

namespace zorbit::server {

// What an answer held back by a delay or a stall does once the signal ends the wait.
enum class OnRelease { Drop, Answer };

// Waits out the fault's delay and stall; signal ends the waits early. False
// when the answer must not be written and the connection is to be dropped:
// the fault drops it, or a wait ended with the signal and onRelease is Drop.
bool holdAnswer(const std::optional<Fault>& fault, StopSignal& signal, OnRelease onRelease);

// Writes the answer with the ETag (none when empty) and the fault's body
// shaping: truncateAfter, noContentLength, chunked and bytesPerSecond. A 304
// goes out without a body. The throttle's waits end with the signal, and so
// does the answer.
void sendAnswer(httplib::Response& response, const Answer& answer, const std::string& etag,
                const std::optional<Fault>& fault, StopSignal& signal);

}  // namespace zorbit::server
