#pragma once
// The fire-and-forget POST of the counters and analytics hits: a whole URL,
// HTTP/1.0, the launcher's agent, a body held in memory, and an answer whose
// body nobody reads.

#include <string>

// Answers the answer's status, whatever it is. Throws std::runtime_error when
// the URL is unusable or the request cannot be completed (time-outs included).
int postToService(const std::string& url, const std::string& contentType, const std::string& body);
