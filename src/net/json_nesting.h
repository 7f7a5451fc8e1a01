#pragma once
// A depth check for JSON that servers send. The parsers we use recurse once per
// nested array or object, so an answer nested a few hundred thousand levels deep
// would overflow the stack before any parser could reject it.

#include <cstddef>
#include <optional>
#include <string_view>

// Deeper than any answer the launcher reads is ever nested.
inline constexpr size_t kMaxJsonNesting = 64;

// The offset of the first '[' or '{' that opens a level deeper than maxDepth,
// outside strings; none when the text stays within it. The text need not be
// valid JSON: a parser never goes deeper than this finds.
std::optional<size_t> tooDeepJsonNesting(std::string_view text, size_t maxDepth = kMaxJsonNesting);

// Throws std::runtime_error when the text is nested deeper than maxDepth.
void checkJsonNesting(std::string_view text, size_t maxDepth = kMaxJsonNesting);
