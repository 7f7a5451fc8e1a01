#pragma once
// zorbit-reg: the registry store from the command line, shaped like the
// system's reg tool.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

struct RegOptions {
    platform::RegistryHive hive = platform::RegistryHive::CurrentUser;
    std::string keyPath;                   // below the hive, "" for the hive itself
    std::optional<std::string> valueName;  // /v name, or "" for /ve
    bool allValues = false;                // /va
    std::string type = "REG_SZ";           // /t
    std::optional<std::string> data;       // /d
    bool force = false;                    // /f
    bool recurse = false;                  // /s
    bool overwriteFile = false;            // /y
    std::string file;                      // export target
};

// A failure the tool reports as "ERROR: <text>" with exit code 1.
struct RegToolError {
    std::string text;
};

// "HKEY_CURRENT_USER\Software\X" and the like.
std::string keyDisplayName(const RegOptions& options, const std::string& path);
// The system's text for a registry status.
std::string statusText(uint32_t status);
// Raises RegToolError for a failed status.
void check(uint32_t status);
// Asks the question on the terminal; true for yes.
bool confirm(const std::string& question);

std::string typeName(uint32_t type);
bool parseTypeName(const std::string& name, uint32_t& type);
// The value's data as the query shows it.
std::string displayData(uint32_t type, const std::vector<uint8_t>& data);
// The bytes that /t and /d mean.
std::vector<uint8_t> encodeData(uint32_t type, const std::string& text);

int runQuery(const RegOptions& options);
int runAdd(const RegOptions& options);
int runDelete(const RegOptions& options);
int runExport(const RegOptions& options);
