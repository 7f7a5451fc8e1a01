#pragma once
// The helper's commands; each answers the helper's exit code.

#include <string>
#include <vector>

// Runs the command line with the token a standard user has (not elevated, the
// administrators group only to deny), waits, and answers the program's exit code.
int runAsStandardUser(const std::vector<std::string>& commandLine);

// Prints the link's target and its arguments, one per line.
int printLink(const std::string& path);

// Loads the shared game launcher library and starts a game through its C entry
// point with ticket, authentication URL, script URL and ready event name;
// prints the result and the error description.
int startGameFromLibrary(const std::string& library, const std::vector<std::string>& arguments);
