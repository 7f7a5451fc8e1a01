#pragma once
// printf-style formatting into a new string.

#include <cstdarg>
#include <string>

// Texts are kept whole up to this many characters and cut there.
constexpr size_t kMaxFormattedLength = 1000000;

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string vformat(const char* fmt, va_list arguments);
