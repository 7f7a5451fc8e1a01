#pragma once
// What the stand-in leaves behind for tests and the demo:
//
//   <executable>.args   one JSON object per start: {"pid":N,"args":["-browser",...]}
//                       (the arguments after the program, as received)
//   <executable>.log    one line per event: "<pid> <event>"
//   <temp>/ZorbitStudio_<pid>_<time>.zbal
//                       the application log, two "Info: " lines, in the per-user
//                       temporary folder where the launcher's log upload looks

#include <string>
#include <vector>

void appendArgumentsRecord(const std::string& path, int pid, const std::vector<std::string>& args);
void appendEvent(const std::string& path, int pid, const std::string& event);
// Answers the log's path; empty when the temporary folder cannot be had.
std::string writeApplicationLog(int pid, const std::vector<std::string>& args);
