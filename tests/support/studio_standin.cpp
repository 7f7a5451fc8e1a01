#include "support/studio_standin.h"

#include <rapidjson/document.h>

#include <fstream>
#include <stdexcept>

std::vector<StandinStart> readStandinStarts(const std::string& executable) {
    std::vector<StandinStart> starts;
    std::ifstream in(executable + ".args");
    std::string line;
    while (std::getline(in, line)) {
        rapidjson::Document record;
        record.Parse(line.c_str(), line.size());
        if (record.HasParseError() || !record.IsObject() || !record.HasMember("args"))
            throw std::runtime_error("bad stand-in record: " + line);
        StandinStart start;
        start.pid = record["pid"].GetInt();
        for (const auto& arg : record["args"].GetArray())
            start.args.emplace_back(arg.GetString(), arg.GetStringLength());
        starts.push_back(std::move(start));
    }
    return starts;
}

std::vector<std::string> readStandinEvents(const std::string& executable) {
    std::vector<std::string> lines;
    std::ifstream in(executable + ".log");
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}
