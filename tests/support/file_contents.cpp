#include "support/file_contents.h"

#include <fstream>
#include <sstream>

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string readLogFile(const std::string& path) {
    std::string text = readFile(path);
    // Windows' logs end their lines in CR LF.
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.erase(at, 1);
    return text;
}

std::filesystem::perms fileRights(const std::string& path) {
    std::error_code missing;
    const auto status = std::filesystem::status(path, missing);
    if (missing) return std::filesystem::perms::none;
    return status.permissions() & std::filesystem::perms::all;
}

bool ownerMayRun(const std::string& path) {
    return (fileRights(path) & std::filesystem::perms::owner_exec) != std::filesystem::perms::none;
}

std::set<std::string> filesBelow(const std::string& folder) {
    std::set<std::string> files;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error))
        if (it->is_regular_file())
            files.insert(std::filesystem::relative(it->path(), folder).string());
    return files;
}

void copyFilesBelow(const std::string& from, const std::string& to) {
    for (const std::string& name : filesBelow(from)) {
        const std::filesystem::path target = std::filesystem::path(to) / name;
        std::filesystem::create_directories(target.parent_path());
        std::filesystem::copy_file(std::filesystem::path(from) / name, target);
    }
}
