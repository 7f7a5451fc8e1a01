#include "base/format.h"

#include <cstdio>
#include <memory>

namespace {
// Short texts, the usual case, are formatted without touching the heap.
constexpr size_t kStackBufferSize = 161;
}  // namespace

std::string vformat(const char* fmt, va_list arguments) {
    va_list measure;
    va_copy(measure, arguments);
    const int length = std::vsnprintf(nullptr, 0, fmt, measure);
    va_end(measure);
    if (length <= 0) return {};
    const size_t size = static_cast<size_t>(length);
    if (size < kStackBufferSize) {
        char buffer[kStackBufferSize];
        std::vsnprintf(buffer, sizeof buffer, fmt, arguments);
        return std::string(buffer, size);
    }
    std::unique_ptr<char[]> buffer(new char[size + 1]);
    std::vsnprintf(buffer.get(), size + 1, fmt, arguments);
    return std::string(buffer.get(), std::min(size, kMaxFormattedLength));
}

std::string format(const char* fmt, ...) {
    va_list arguments;
    va_start(arguments, fmt);
    std::string text = vformat(fmt, arguments);
    va_end(arguments);
    return text;
}
