#include "standin_records.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "platform/files.h"
#include "platform/known_folders.h"

namespace {

void appendLine(const std::string& path, const std::string& line) {
    if (std::FILE* file = std::fopen(path.c_str(), "a")) {
        std::fputs((line + "\n").c_str(), file);
        std::fclose(file);
    }
}

}  // namespace

void appendArgumentsRecord(const std::string& path, int pid, const std::vector<std::string>& args) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartObject();
    writer.Key("pid");
    writer.Int(pid);
    writer.Key("args");
    writer.StartArray();
    for (const std::string& arg : args)
        writer.String(arg.data(), static_cast<rapidjson::SizeType>(arg.size()));
    writer.EndArray();
    writer.EndObject();
    appendLine(path, buffer.GetString());
}

void appendEvent(const std::string& path, int pid, const std::string& event) {
    appendLine(path, std::to_string(pid) + " " + event);
}

std::string writeApplicationLog(int pid, const std::vector<std::string>& args) {
    const std::string folder = platform::tempFolder();
    if (folder.empty()) return "";
    const std::time_t now = std::time(nullptr);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", std::gmtime(&now));
    const std::string path = folder + "ZorbitStudio_" + std::to_string(pid) + "_" + stamp + ".zbal";
    std::FILE* file = platform::openOwnerOnlyFile(path, "w");
    if (!file) return "";
    std::string commandLine;
    for (const std::string& arg : args) commandLine += (commandLine.empty() ? "" : " ") + arg;
    std::fprintf(file, "Info: ZorbitStudioBeta started, pid %d\n", pid);
    std::fprintf(file, "Info: arguments: %s\n", commandLine.c_str());
    std::fclose(file);
    return path;
}
