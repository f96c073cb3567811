#include "string_trim.h"

#include <string.h>

namespace kav::tillio {
namespace {

bool in_set(const char* chars, char c)
{
    // strchr would also find the terminating zero.
    return c != '\0' && strchr(chars, c) != nullptr;
}

} // namespace

bool trim_chars(char* s, const char* chars)
{
    if (s == nullptr || chars == nullptr) return false;

    const char* first = s;
    while (in_set(chars, *first)) ++first;
    size_t length = strlen(first);
    while (length > 0 && in_set(chars, first[length - 1])) --length;

    // Nothing to remove, nothing written: s may be a read-only string.
    if (first == s && first[length] == '\0') return false;
    memmove(s, first, length);
    s[length] = '\0';
    return true;
}

} // namespace kav::tillio
