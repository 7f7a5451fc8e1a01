// OS-independent: the Windows runtime's command-line rules.
#include "platform/process.h"

namespace platform {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads the program name: up to the next quote when it starts with one, else to
// the first blank. No escapes apply to it.
size_t readProgramName(std::string_view line, std::string& out) {
    size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        for (i = 1; i < line.size() && line[i] != '"'; ++i) out += line[i];
        if (i < line.size()) ++i;
    } else {
        for (; i < line.size() && !isBlank(line[i]); ++i) out += line[i];
    }
    return i;
}

size_t readArgument(std::string_view line, size_t i, std::string& out) {
    bool quoted = false;
    while (i < line.size() && (quoted || !isBlank(line[i]))) {
        size_t backslashes = 0;
        while (i < line.size() && line[i] == '\\') {
            ++backslashes;
            ++i;
        }
        if (i < line.size() && line[i] == '"') {
            out.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1) {
                out += '"';
            } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                out += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
            ++i;
        } else {
            out.append(backslashes, '\\');
            if (i < line.size() && (quoted || !isBlank(line[i]))) out += line[i++];
        }
    }
    return i;
}

}  // namespace

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> arguments;
    if (line.empty()) return arguments;
    std::string program;
    size_t i = readProgramName(line, program);
    arguments.push_back(program);
    for (;;) {
        while (i < line.size() && isBlank(line[i])) ++i;
        if (i >= line.size()) break;
        std::string argument;
        i = readArgument(line, i, argument);
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string quoteArgument(std::string_view argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string_view::npos)
        return std::string(argument);
    return quoteArgumentAlways(argument);
}

std::string quoteArgumentAlways(std::string_view argument) {
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    quoted += '"';
    return quoted;
}

std::string joinCommandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (const auto& argument : arguments) {
        if (!line.empty()) line += ' ';
        line += quoteArgument(argument);
    }
    return line;
}

}  // namespace platform
