#include "fault.h"

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cctype>
#include <stdexcept>

namespace zorbit::server {
namespace {

char fold(char c, bool ignoreCase) {
    return ignoreCase ? static_cast<char>(std::tolower(static_cast<unsigned char>(c))) : c;
}

std::string etagName(EtagFault etag) {
    switch (etag) {
        case EtagFault::Missing:
            return "missing";
        case EtagFault::Wrong:
            return "wrong";
        case EtagFault::None:
            break;
    }
    return "";
}

EtagFault etagFromName(const std::string& name) {
    if (name.empty() || name == "normal" || name == "none") return EtagFault::None;
    if (name == "missing") return EtagFault::Missing;
    if (name == "wrong") return EtagFault::Wrong;
    throw std::runtime_error("unknown etag fault: " + name);
}

std::string stringMember(const rapidjson::Value& object, const char* name) {
    auto it = object.FindMember(name);
    if (it == object.MemberEnd()) return "";
    if (!it->value.IsString()) throw std::runtime_error(std::string(name) + " must be a string");
    return it->value.GetString();
}

int64_t numberMember(const rapidjson::Value& object, const char* name, int64_t fallback) {
    auto it = object.FindMember(name);
    if (it == object.MemberEnd()) return fallback;
    if (!it->value.IsInt64()) throw std::runtime_error(std::string(name) + " must be an integer");
    return it->value.GetInt64();
}

bool boolMember(const rapidjson::Value& object, const char* name) {
    auto it = object.FindMember(name);
    if (it == object.MemberEnd()) return false;
    if (!it->value.IsBool()) throw std::runtime_error(std::string(name) + " must be true or false");
    return it->value.GetBool();
}

Fault faultFromJson(const rapidjson::Value& object) {
    if (!object.IsObject()) throw std::runtime_error("a fault must be a JSON object");
    static const char* known[] = {
        "path",    "host",           "method",        "status",     "delayMs",
        "stall",   "drop",           "truncateAfter", "etag",       "noContentLength",
        "chunked", "bytesPerSecond", "times",         "ignoreRange"};
    for (auto it = object.MemberBegin(); it != object.MemberEnd(); ++it) {
        bool ok = false;
        for (const char* name : known) ok = ok || it->name.GetString() == std::string(name);
        if (!ok)
            throw std::runtime_error(std::string("unknown fault field: ") + it->name.GetString());
    }
    Fault fault;
    fault.path = stringMember(object, "path");
    fault.host = stringMember(object, "host");
    fault.method = stringMember(object, "method");
    fault.status = static_cast<int>(numberMember(object, "status", 0));
    fault.delayMs = static_cast<int>(numberMember(object, "delayMs", 0));
    fault.stall = boolMember(object, "stall");
    fault.drop = boolMember(object, "drop");
    fault.truncateAfter = numberMember(object, "truncateAfter", -1);
    fault.etag = etagFromName(stringMember(object, "etag"));
    fault.noContentLength = boolMember(object, "noContentLength");
    fault.chunked = boolMember(object, "chunked");
    fault.bytesPerSecond = numberMember(object, "bytesPerSecond", 0);
    fault.times = static_cast<int>(numberMember(object, "times", -1));
    fault.ignoreRange = boolMember(object, "ignoreRange");
    return fault;
}

}  // namespace

std::string Fault::describe() const {
    std::string text;
    auto add = [&text](const std::string& part) { text += (text.empty() ? "" : " ") + part; };
    if (status) add("status=" + std::to_string(status));
    if (delayMs) add("delayMs=" + std::to_string(delayMs));
    if (stall) add("stall");
    if (drop) add("drop");
    if (truncateAfter >= 0) add("truncateAfter=" + std::to_string(truncateAfter));
    if (etag != EtagFault::None) add("etag=" + etagName(etag));
    if (noContentLength) add("noContentLength");
    if (chunked) add("chunked");
    if (bytesPerSecond) add("bytesPerSecond=" + std::to_string(bytesPerSecond));
    if (ignoreRange) add("ignoreRange");
    if (times >= 0) add("times=" + std::to_string(times));
    return text;
}

std::vector<Fault> parseFaults(const std::string& json) {
    rapidjson::Document document;
    document.Parse(json.c_str(), json.size());
    if (document.HasParseError()) throw std::runtime_error("faults are not JSON");
    std::vector<Fault> faults;
    if (document.IsArray()) {
        for (const auto& item : document.GetArray()) faults.push_back(faultFromJson(item));
    } else {
        faults.push_back(faultFromJson(document));
    }
    return faults;
}

std::string faultsToJson(const std::vector<Fault>& faults) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
    writer.StartArray();
    for (const Fault& fault : faults) {
        writer.StartObject();
        writer.Key("path"), writer.String(fault.path.c_str());
        writer.Key("host"), writer.String(fault.host.c_str());
        writer.Key("method"), writer.String(fault.method.c_str());
        writer.Key("status"), writer.Int(fault.status);
        writer.Key("delayMs"), writer.Int(fault.delayMs);
        writer.Key("stall"), writer.Bool(fault.stall);
        writer.Key("drop"), writer.Bool(fault.drop);
        writer.Key("truncateAfter"), writer.Int64(fault.truncateAfter);
        writer.Key("etag"), writer.String(etagName(fault.etag).c_str());
        writer.Key("noContentLength"), writer.Bool(fault.noContentLength);
        writer.Key("chunked"), writer.Bool(fault.chunked);
        writer.Key("bytesPerSecond"), writer.Int64(fault.bytesPerSecond);
        writer.Key("times"), writer.Int(fault.times);
        writer.Key("ignoreRange"), writer.Bool(fault.ignoreRange);
        writer.EndObject();
    }
    writer.EndArray();
    return buffer.GetString();
}

// Iterative glob with backtracking to the last '*'.
bool globMatch(const std::string& pattern, const std::string& text, bool ignoreCase) {
    size_t p = 0, t = 0, star = std::string::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() &&
                   fold(pattern[p], ignoreCase) == fold(text[t], ignoreCase)) {
            ++p, ++t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

void FaultTable::add(Fault fault) {
    if (fault.times == 0) return;
    std::lock_guard lock(mutex_);
    faults_.push_back(std::move(fault));
}

void FaultTable::clear() {
    std::lock_guard lock(mutex_);
    faults_.clear();
}

std::vector<Fault> FaultTable::list() const {
    std::lock_guard lock(mutex_);
    return faults_;
}

std::optional<Fault> FaultTable::take(const std::string& method, const std::string& host,
                                      const std::string& path) {
    std::lock_guard lock(mutex_);
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (!it->path.empty() && !globMatch(it->path, path, false)) continue;
        if (!it->host.empty() && !globMatch(it->host, host, true)) continue;
        if (!it->method.empty() && !globMatch(it->method, method, true)) continue;
        Fault applied = *it;
        // A spent fault leaves the table: the path answers normally again.
        if (it->times > 0 && --it->times == 0) faults_.erase(it);
        return applied;
    }
    return std::nullopt;
}

}  // namespace zorbit::server
