#pragma once
// Processes: started from a Windows-style command line, so the launcher builds
// the same command lines on every platform.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits a command line into arguments by the Windows runtime's rules: blanks and
// tabs separate, double quotes group, 2n backslashes before a quote give n and
// toggle quoting, 2n+1 give n and a literal quote, "" inside quotes is a quote.
// The first argument (the program) ends at the next quote when it starts with one.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// Quotes one argument so that splitCommandLine gives it back unchanged.
std::string quoteArgument(std::string_view argument);

// The same, always in double quotes, for arguments shown quoted by convention
// (a file path).
std::string quoteArgumentAlways(std::string_view argument);

// Joins arguments, each quoted as needed, with single blanks.
std::string joinCommandLine(const std::vector<std::string>& arguments);

struct ProcessInfo {
    int processId = 0;
};

// Starts the program named by the command line's first argument (searched on
// PATH when it holds no separator) with the rest as its arguments, in a session
// of its own. On failure answers false and sets the last error.
bool startProcess(const std::string& commandLine, ProcessInfo& info);
// The same, with variables ("NAME=value") set for the started program alone.
bool startProcess(const std::string& commandLine, ProcessInfo& info,
                  const std::vector<std::string>& extraEnvironment);

// Reads a variable of this process's environment and removes it, so that no
// program started later inherits it; empty when it is not set. Call it before
// other threads run.
std::string takeEnvironmentValue(const std::string& name);

// Lets go of a started program, as closing its handles would: its end is
// collected when it comes, so it never lingers as an ended child of this process.
void releaseProcess(const ProcessInfo& info);

// Waits for a child of this process to end. Answers false on time-out.
bool waitForProcess(const ProcessInfo& info, uint32_t timeoutMs, int* exitCode = nullptr);

uint32_t currentProcessId();
uint32_t currentThreadId();

// Full path of the running executable.
std::string executablePath();

// This program's arguments in UTF-8, the program itself first: argv as it is
// where the system passes UTF-8; on Windows, where argv is in the ANSI code
// page, the process's UTF-16 command line split by splitCommandLine's rules.
std::vector<std::string> programArguments(int argc, char** argv);

}  // namespace platform
