// zorbit-reg: queries and edits the launcher's registry store.
//
//   zorbit-reg query  KEY [/v NAME | /ve] [/s]
//   zorbit-reg add    KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]
//   zorbit-reg delete KEY [/v NAME | /ve | /va] [/f]
//   zorbit-reg export KEY FILE [/y]
//
// KEY is a hive (HKCU, HKLM, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE) followed by
// a backslash-separated path. TYPE is REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_BINARY
// or REG_NONE. Exit code 0 on success, 1 on failure.
#include <cstring>
#include <iostream>

#include "reg_tool.h"

namespace {

int usage() {
    std::cerr << "usage: zorbit-reg query KEY [/v NAME | /ve] [/s]\n"
                 "       zorbit-reg add KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f]\n"
                 "       zorbit-reg delete KEY [/v NAME | /ve | /va] [/f]\n"
                 "       zorbit-reg export KEY FILE [/y]\n";
    return 1;
}

bool isOption(const std::string& argument, const char* name) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) return false;
    return ::strcasecmp(argument.c_str() + 1, name) == 0;
}

void parseKey(const std::string& text, RegOptions& options) {
    const size_t slash = text.find('\\');
    const std::string hive = text.substr(0, slash);
    if (!platform::parseHiveName(hive, options.hive)) throw RegToolError{"Invalid key name."};
    if (slash != std::string::npos) options.keyPath = text.substr(slash + 1);
    while (!options.keyPath.empty() && options.keyPath.back() == '\\') options.keyPath.pop_back();
}

// Options after the key (and the file of export).
void parseOptions(const std::vector<std::string>& arguments, size_t first, RegOptions& options) {
    for (size_t i = first; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasNext = i + 1 < arguments.size();
        if (isOption(argument, "v") && hasNext) {
            options.valueName = arguments[++i];
        } else if (isOption(argument, "ve")) {
            options.valueName = "";
        } else if (isOption(argument, "va")) {
            options.allValues = true;
        } else if (isOption(argument, "t") && hasNext) {
            options.type = arguments[++i];
        } else if (isOption(argument, "d") && hasNext) {
            options.data = arguments[++i];
        } else if (isOption(argument, "f")) {
            options.force = true;
        } else if (isOption(argument, "s")) {
            options.recurse = true;
        } else if (isOption(argument, "y")) {
            options.overwriteFile = true;
        } else {
            throw RegToolError{"Invalid syntax."};
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    if (arguments.size() < 3) return usage();
    const std::string command = arguments[1];
    try {
        RegOptions options;
        parseKey(arguments[2], options);
        if (::strcasecmp(command.c_str(), "export") == 0) {
            if (arguments.size() < 4) return usage();
            options.file = arguments[3];
            parseOptions(arguments, 4, options);
            return runExport(options);
        }
        parseOptions(arguments, 3, options);
        if (::strcasecmp(command.c_str(), "query") == 0) return runQuery(options);
        if (::strcasecmp(command.c_str(), "add") == 0) return runAdd(options);
        if (::strcasecmp(command.c_str(), "delete") == 0) return runDelete(options);
        return usage();
    } catch (const RegToolError& error) {
        std::cerr << "ERROR: " << error.text << "\n";
        return 1;
    }
}
