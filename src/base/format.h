#pragma once
// printf-style formatting into a new string.

#include <cstdarg>
#include <string>

// The formats are C99's (%zu, %lld) on every target; mingw's own printf check
// would hold them to the older runtime's, which its C99 stdio does not use.
#if defined(__MINGW32__)
#define ZORBIT_PRINTF_LIKE(format_index, first_argument) \
    __attribute__((format(gnu_printf, format_index, first_argument)))
#else
#define ZORBIT_PRINTF_LIKE(format_index, first_argument) \
    __attribute__((format(printf, format_index, first_argument)))
#endif

// Texts are kept whole up to this many characters and cut there.
constexpr size_t kMaxFormattedLength = 1000000;

std::string format(const char* fmt, ...) ZORBIT_PRINTF_LIKE(1, 2);
std::string vformat(const char* fmt, va_list arguments);
