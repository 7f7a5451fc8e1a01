#include "journal.h"

#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace zorbit::server {
namespace {

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool isUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        const size_t extra = c < 0x80         ? 0
                             : (c >> 5) == 6  ? 1
                             : (c >> 4) == 14 ? 2
                             : (c >> 3) == 30 ? 3
                                              : 9;
        if (extra == 9 || i + extra >= text.size()) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
        i += extra + 1;
    }
    return true;
}

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string toBase64(const std::string& bytes) {
    std::string out;
    out.reserve(4 * ((bytes.size() + 2) / 3));
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t n = std::min<size_t>(3, bytes.size() - i);
        uint32_t group = 0;
        for (size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (size_t k = 0; k < 4; ++k) out += k <= n ? kBase64[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

std::string fromBase64(const std::string& text) {
    if (text.size() % 4 != 0) throw std::runtime_error("bad base64 in journal");
    std::string out;
    out.reserve(3 * (text.size() / 4));
    for (size_t i = 0; i < text.size(); i += 4) {
        uint32_t group = 0;
        size_t padding = 0;
        for (size_t k = 0; k < 4; ++k) {
            const char c = text[i + k];
            const char* at = c == '=' ? nullptr : std::strchr(kBase64, c);
            if (c == '=' && i + 4 == text.size() && k >= 2) {
                ++padding;
            } else if (!at || c == '\0' || padding) {
                throw std::runtime_error("bad base64 in journal");
            }
            group = (group << 6) | (at ? static_cast<uint32_t>(at - kBase64) : 0u);
        }
        for (size_t k = 0; k < 3 - padding; ++k)
            out += static_cast<char>((group >> (16 - 8 * k)) & 0xff);
    }
    return out;
}

// Header texts are ASCII in practice; anything else is shown, not kept exactly.
std::string printable(const std::string& text) {
    if (isUtf8(text)) return text;
    std::string out = text;
    for (char& c : out)
        if (static_cast<unsigned char>(c) >= 0x80) c = '?';
    return out;
}

using Writer = rapidjson::Writer<rapidjson::StringBuffer>;

void writeString(Writer& writer, const char* key, const std::string& value) {
    writer.Key(key);
    writer.String(value.data(), static_cast<rapidjson::SizeType>(value.size()));
}

std::string text(const rapidjson::Value& object, const char* name) {
    auto it = object.FindMember(name);
    return it != object.MemberEnd() && it->value.IsString()
               ? std::string(it->value.GetString(), it->value.GetStringLength())
               : std::string();
}

int64_t number(const rapidjson::Value& object, const char* name) {
    auto it = object.FindMember(name);
    return it != object.MemberEnd() && it->value.IsInt64() ? it->value.GetInt64() : 0;
}

}  // namespace

std::string JournalEntry::header(const std::string& name) const {
    for (const auto& [key, value] : headers)
        if (equalsIgnoreCase(key, name)) return value;
    return "";
}

std::string JournalEntry::hostName() const {
    std::string name = host.substr(0, host.find(':'));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

std::string journalEntryToJson(const JournalEntry& entry) {
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("sequence"), writer.Uint64(entry.sequence);
    writer.Key("timeMs"), writer.Int64(entry.timeMs);
    writer.Key("tls"), writer.Bool(entry.tls);
    writeString(writer, "method", entry.method);
    writeString(writer, "host", printable(entry.host));
    writeString(writer, "target", printable(entry.target));
    writeString(writer, "path", printable(entry.path));
    writer.Key("headers");
    writer.StartArray();
    for (const auto& [name, value] : entry.headers) {
        writer.StartArray();
        writer.String(printable(name).c_str());
        writer.String(printable(value).c_str());
        writer.EndArray();
    }
    writer.EndArray();
    writer.Key("bodySize"), writer.Uint64(entry.bodySize);
    if (entry.bodyKept) {
        if (isUtf8(entry.body)) {
            writeString(writer, "body", entry.body);
        } else {
            writeString(writer, "bodyBase64", toBase64(entry.body));
        }
    }
    writer.Key("status"), writer.Int(entry.status);
    writer.Key("bodyBytesSent"), writer.Uint64(entry.bodyBytesSent);
    writeString(writer, "fault", entry.fault);
    writer.EndObject();
    return buffer.GetString();
}

JournalEntry journalEntryFromJson(const std::string& line) {
    rapidjson::Document document;
    document.Parse(line.c_str(), line.size());
    if (document.HasParseError() || !document.IsObject())
        throw std::runtime_error("bad journal line: " + line.substr(0, 80));
    JournalEntry entry;
    entry.sequence = static_cast<uint64_t>(number(document, "sequence"));
    entry.timeMs = number(document, "timeMs");
    auto tls = document.FindMember("tls");
    entry.tls = tls != document.MemberEnd() && tls->value.IsBool() && tls->value.GetBool();
    entry.method = text(document, "method");
    entry.host = text(document, "host");
    entry.target = text(document, "target");
    entry.path = text(document, "path");
    auto headers = document.FindMember("headers");
    if (headers != document.MemberEnd() && headers->value.IsArray()) {
        for (const auto& pair : headers->value.GetArray())
            if (pair.IsArray() && pair.Size() == 2 && pair[0].IsString() && pair[1].IsString())
                entry.headers.emplace_back(pair[0].GetString(), pair[1].GetString());
    }
    entry.bodySize = static_cast<uint64_t>(number(document, "bodySize"));
    if (document.HasMember("body")) {
        entry.body = text(document, "body");
        entry.bodyKept = true;
    } else if (document.HasMember("bodyBase64")) {
        entry.body = fromBase64(text(document, "bodyBase64"));
        entry.bodyKept = true;
    }
    entry.status = static_cast<int>(number(document, "status"));
    entry.bodyBytesSent = static_cast<uint64_t>(number(document, "bodyBytesSent"));
    entry.fault = text(document, "fault");
    return entry;
}

std::vector<JournalEntry> readJournalFile(const std::string& path) {
    std::vector<JournalEntry> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty()) entries.push_back(journalEntryFromJson(line));
    return entries;
}

Journal::Journal(const std::string& path) {
    if (path.empty()) return;
    file_ = std::fopen(path.c_str(), "a");
    if (!file_) throw std::runtime_error("cannot open the journal " + path);
}

Journal::~Journal() {
    if (file_) std::fclose(file_);
}

void Journal::add(JournalEntry entry) {
    std::lock_guard lock(mutex_);
    entry.sequence = nextSequence_++;
    if (file_) {
        const std::string line = journalEntryToJson(entry) + "\n";
        std::fwrite(line.data(), 1, line.size(), file_);
        std::fflush(file_);
    }
    entries_.push_back(std::move(entry));
    added_.notify_all();
}

std::vector<JournalEntry> Journal::entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
}

void Journal::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}

bool Journal::waitFor(const std::function<bool(const JournalEntry&)>& predicate,
                      std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return added_.wait_for(
        lock, timeout, [&] { return std::any_of(entries_.begin(), entries_.end(), predicate); });
}

}  // namespace zorbit::server
