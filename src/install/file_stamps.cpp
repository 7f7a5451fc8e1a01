#include "install/file_stamps.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <future>
#include <thread>
#include <vector>

#include "base/format.h"
#include "install/replacing_file.h"
#include "platform/files.h"
#include "platform/utf8_path.h"

namespace {

constexpr const char* kHeader = "zorbit-file-stamps 1 ";
// No record of ours comes near this; a larger file is not read.
constexpr std::streamoff kMaxRecordBytes = 64 * 1024 * 1024;

template <typename Number>
bool parseField(const char*& at, const char* end, Number& value, int base = 10) {
    const auto [next, error] = std::from_chars(at, end, value, base);
    if (error != std::errc() || next == end || *next != ' ') return false;
    at = next + 1;
    return true;
}

template <typename Number>
void appendField(std::string& text, Number value, int base = 10) {
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof(digits), value, base).ptr;
    text.append(digits, static_cast<size_t>(end - digits));
    text += ' ';
}

// One "crc size modified device file changed name" line.
bool parseLine(const std::string& line, std::string& name, uint32_t& crc,
               platform::FileStamp& stamp) {
    const char* at = line.data();
    const char* end = at + line.size();
    if (!parseField(at, end, crc, 16) || !parseField(at, end, stamp.size) ||
        !parseField(at, end, stamp.modifiedNs) || !parseField(at, end, stamp.device) ||
        !parseField(at, end, stamp.file) || !parseField(at, end, stamp.changedNs) || at == end)
        return false;
    name.assign(at, end);
    return true;
}

}  // namespace

void FileStamps::add(const std::string& relative, uint32_t crc, uint64_t size) {
    if (relative.find_first_of("\r\n") != std::string::npos) return;
    Known known;
    known.crc = crc;
    known.stamp.size = size;
    std::lock_guard guard(lock_);
    files_[relative] = known;
}

void FileStamps::stamp(const std::string& folder) {
    std::lock_guard guard(lock_);
    std::vector<decltype(files_)::iterator> files;
    files.reserve(files_.size());
    for (auto it = files_.begin(); it != files_.end(); ++it) files.push_back(it);
    std::vector<char> found(files.size());
    // Each lookup walks the whole path: they are done in parallel.
    const size_t parts = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
    std::vector<std::future<void>> stamping;
    for (size_t part = 0; part < parts; ++part)
        stamping.push_back(std::async(std::launch::async, [&, part] {
            for (size_t i = part; i < files.size(); i += parts) {
                platform::FileStamp& stamp = files[i]->second.stamp;
                platform::FileStamp now;
                found[i] =
                    platform::fileStamp(folder + files[i]->first, now) && now.size == stamp.size;
                if (found[i]) stamp = now;
            }
        }));
    for (auto& part : stamping) part.get();
    for (size_t i = 0; i < files.size(); ++i)
        if (!found[i]) files_.erase(files[i]);
}

FileStamps::Verdict FileStamps::judge(const std::string& relative, const std::string& path,
                                      uint32_t crc, uint64_t size) const {
    Verdict verdict;
    const auto found = files_.find(relative);
    if (found == files_.end() || !platform::fileStamp(path, verdict.stamp) ||
        !(verdict.stamp == found->second.stamp))
        return verdict;
    const bool same = found->second.crc == crc && verdict.stamp.size == size;
    verdict.kind = same ? Verdict::kSame : Verdict::kDifferent;
    return verdict;
}

size_t FileStamps::size() const {
    std::lock_guard guard(lock_);
    return files_.size();
}

bool FileStamps::save(const std::string& path, const std::string& guid) const {
    std::string text = kHeader + guid + "\n";
    {
        std::lock_guard guard(lock_);
        text.reserve(files_.size() * 128);
        for (const auto& [name, known] : files_) {
            appendField(text, known.crc, 16);
            appendField(text, known.stamp.size);
            appendField(text, known.stamp.modifiedNs);
            appendField(text, known.stamp.device);
            appendField(text, known.stamp.file);
            appendField(text, known.stamp.changedNs);
            text += name;
            text += '\n';
        }
        text += format("end %zu\n", files_.size());
    }
    try {
        ReplacingFile file(path);
        file.write(text.data(), text.size());
        file.close();
        return file.commit();
    } catch (const std::exception&) {
        return false;
    }
}

void FileStamps::load(const std::string& path, const std::string& guid) {
    files_.clear();
    // One someone else put in a shared folder vouches for nothing.
    if (!platform::isOwnPlainFile(path)) return;
    std::ifstream in(platform::fsPath(path), std::ios::binary | std::ios::ate);
    if (!in || in.tellg() > kMaxRecordBytes) return;
    in.seekg(0);
    std::string line;
    if (!std::getline(in, line) || line != kHeader + guid) return;
    std::unordered_map<std::string, Known> files;
    std::string name;
    while (std::getline(in, line)) {
        if (line.rfind("end ", 0) == 0) {
            // Only a record that ends where it says is whole.
            if (line == format("end %zu", files.size()) && in.peek() == EOF)
                files_ = std::move(files);
            return;
        }
        Known known;
        if (!parseLine(line, name, known.crc, known.stamp)) return;
        files[name] = known;
    }
}
