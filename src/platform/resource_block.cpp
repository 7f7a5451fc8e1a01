// OS-independent: the block's format, read and written with standard streams.
#include "platform/resource_block.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "platform/utf8_path.h"

namespace platform {
namespace {

// Each marker character is stored one higher than it is.
std::string unshift(const char* text) {
    std::string result;
    for (const char* c = text; *c; ++c) result += static_cast<char>(*c - 1);
    return result;
}

std::vector<char> readWholeFile(const std::string& path) {
    std::ifstream in(fsPath(path), std::ios::binary | std::ios::ate);
    if (!in) throw std::runtime_error("Cannot open " + path);
    std::vector<char> bytes(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        throw std::runtime_error("Cannot read " + path);
    return bytes;
}

// Offset of the block's text area, or npos.
size_t findTextArea(const std::vector<char>& bytes) {
    const std::string begin = resourceBlockBeginMarker();
    const std::string end = resourceBlockEndMarker();
    const std::boyer_moore_horspool_searcher searcher(begin.begin(), begin.end());
    auto it = bytes.begin();
    for (;;) {
        it = std::search(it, bytes.end(), searcher);
        if (it == bytes.end()) return std::string::npos;
        const size_t area = static_cast<size_t>(it - bytes.begin()) + begin.size();
        if (area + kResourceBlockCapacity + end.size() <= bytes.size() &&
            std::equal(end.begin(), end.end(), bytes.begin() + area + kResourceBlockCapacity))
            return area;
        ++it;
    }
}

}  // namespace

std::string resourceBlockBeginMarker() {
    return unshift("AA[PSCJU`SFTPVSDF`CMPDL`CFHJOAA");
}
std::string resourceBlockEndMarker() {
    return unshift("AA[PSCJU`SFTPVSDF`CMPDL`FOEAA");
}

ResourceTexts parseResourceTexts(const char* data, size_t size) {
    ResourceTexts texts;
    const std::string all(data, std::find(data, data + size, '\0'));
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos) end = all.size();
        const std::string line = all.substr(start, end - start);
        const size_t equals = line.find('=');
        if (equals != std::string::npos) texts[line.substr(0, equals)] = line.substr(equals + 1);
        start = end + 1;
    }
    return texts;
}

std::optional<std::string> formatResourceTexts(const ResourceTexts& texts) {
    std::string area;
    for (const auto& [name, value] : texts) {
        if (name.find_first_of("=\n\r", 0) != std::string::npos ||
            (name + value).find_first_of(std::string("\n\r\0", 3)) != std::string::npos)
            return std::nullopt;
        area += name + "=" + value + "\n";
    }
    if (area.size() >= kResourceBlockCapacity) return std::nullopt;
    return area;
}

std::optional<ResourceTexts> readResourceBlock(const std::string& path) {
    try {
        const std::vector<char> bytes = readWholeFile(path);
        const size_t area = findTextArea(bytes);
        if (area == std::string::npos) return std::nullopt;
        return parseResourceTexts(bytes.data() + area, kResourceBlockCapacity);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void stampResourceBlock(const std::string& path, const ResourceTexts& texts) {
    const std::optional<std::string> area = formatResourceTexts(texts);
    if (!area) throw std::runtime_error("The texts do not fit in the resource block");
    std::vector<char> bytes = readWholeFile(path);
    const size_t offset = findTextArea(bytes);
    if (offset == std::string::npos) throw std::runtime_error(path + " has no resource block");
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), kResourceBlockCapacity, '\0');
    std::copy(area->begin(), area->end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    std::fstream out(fsPath(path), std::ios::in | std::ios::out | std::ios::binary);
    if (!out) throw std::runtime_error("Cannot write " + path);
    out.seekp(static_cast<std::streamoff>(offset));
    out.write(bytes.data() + offset, static_cast<std::streamsize>(kResourceBlockCapacity));
    if (!out.flush()) throw std::runtime_error("Cannot write " + path);
}

}  // namespace platform
