#include "net/json_nesting.h"

#include <stdexcept>

#include "base/format.h"

std::optional<size_t> tooDeepJsonNesting(std::string_view text, size_t maxDepth) {
    size_t depth = 0;
    bool inString = false;
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (inString) {
            if (c == '\\') {
                ++at;  // the escaped character cannot end the string
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxDepth) return at;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return std::nullopt;
}

void checkJsonNesting(std::string_view text, size_t maxDepth) {
    if (const auto at = tooDeepJsonNesting(text, maxDepth))
        throw std::runtime_error(
            format("JSON nested deeper than %zu levels at offset %zu", maxDepth, *at));
}
