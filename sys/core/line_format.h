// A printf-style formatter small enough for the kernel, where the C runtime's
// formatting functions are off limits. Knows %s (nullptr prints "(null)"),
// %d, %u, %x, %X, %c and %%, with an optional '0' flag and width ("%08x").
// Any other conversion is copied through as written and takes no argument.
#pragma once
#include <stdarg.h>
#include <stddef.h>

namespace kav {

// Writes at most capacity - 1 characters and always a terminating zero (none
// at all when capacity is 0). Returns the length the whole text has, so a
// result >= capacity means it was cut short.
size_t format_line_v(char* out, size_t capacity, const char* format, va_list args);

[[gnu::format(printf, 3, 4)]] size_t format_line(char* out, size_t capacity, const char* format, ...);

} // namespace kav
