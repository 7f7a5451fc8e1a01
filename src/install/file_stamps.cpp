#include "install/file_stamps.h"

#include <charconv>
#include <fstream>

#include "base/format.h"
#include "install/replacing_file.h"
#include "platform/utf8_path.h"

namespace {

constexpr const char* kHeader = "zorbit-file-stamps 2 ";
// No record of ours comes near this; a larger file is not read.
constexpr std::streamoff kMaxRecordBytes = 64 * 1024 * 1024;

template <typename Number>
bool parseField(const char*& at, const char* end, Number& value, int base = 10) {
    const auto [next, error] = std::from_chars(at, end, value, base);
    if (error != std::errc() || next == end || *next != ' ') return false;
    at = next + 1;
    return true;
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

template <typename Keep>
void FileStamps::keepFound(const std::string& folder, Keep keep) {
    std::lock_guard guard(lock_);
    for (auto& [name, known] : files_) known.seen = false;
    platform::stampFolderFiles(
        folder, [this, &keep](const std::string& relative, const platform::FileStamp& now) {
            const auto found = files_.find(relative);
            if (found == files_.end() || !keep(found->second.stamp, now)) return;
            found->second.stamp = now;
            found->second.seen = true;
        });
    std::erase_if(files_, [](const auto& file) { return !file.second.seen; });
}

void FileStamps::confirm(const std::string& folder) {
    keepFound(folder, [](const platform::FileStamp& recorded, const platform::FileStamp& now) {
        return recorded == now;
    });
}

void FileStamps::stamp(const std::string& folder) {
    keepFound(folder, [](const platform::FileStamp& listed, const platform::FileStamp& now) {
        return listed.size == now.size;
    });
}

FileStamps::Verdict FileStamps::judge(const std::string& relative, uint32_t crc,
                                      uint64_t size) const {
    Verdict verdict;
    const auto found = files_.find(relative);
    if (found == files_.end()) return verdict;
    verdict.stamp = found->second.stamp;
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
        for (const auto& [name, known] : files_)
            text += format("%08x %llu %lld %llu %llu %lld ", known.crc,
                           static_cast<unsigned long long>(known.stamp.size),
                           static_cast<long long>(known.stamp.modifiedNs),
                           static_cast<unsigned long long>(known.stamp.device),
                           static_cast<unsigned long long>(known.stamp.file),
                           static_cast<long long>(known.stamp.changedNs)) +
                    name + "\n";
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
