// Trimming a set of characters off both ends of a string, in place, as the
// system's StrTrimA does for single-byte characters.
#pragma once

namespace kav::tillio {

// Removes every leading and trailing character of s that occurs in chars.
// True if anything was removed. A null s or chars changes nothing, and s is
// written to only when something is removed.
bool trim_chars(char* s, const char* chars);

} // namespace kav::tillio
