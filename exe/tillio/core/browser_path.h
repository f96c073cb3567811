// The command line that opens the maker's web page: the browser found on the
// first drive from c: to z: that has it, one blank, the maker's address.
#pragma once
#include "file_finder.h"
#include "maker_address.h"
#include "tillio.h"

#include <stddef.h>
#include <stdint.h>

namespace kav::tillio {

// The caller's buffer has no size argument; the About window offers this many
// bytes, and nothing past them is ever written.
inline constexpr size_t kBrowserCommandSize = 100;

// Follows the drive letter, which is written in lower case.
inline constexpr char kBrowserPathTail[] = ":\\Program Files\\Internet Explorer\\IEXPLORE.EXE";

// Drive letter, tail, blank, address, terminating zero: the longest command line.
inline constexpr size_t kBrowserCommandLength = 1 + (sizeof kBrowserPathTail - 1) + 1 + (sizeof kMakerAddress - 1) + 1;
static_assert(kBrowserCommandLength <= kBrowserCommandSize, "the browser command line must fit the About window's buffer");

inline constexpr int32_t kBrowserFound = TILLIO_DONE;
inline constexpr int32_t kBrowserNotFound = TILLIO_BROWSER_NOT_FOUND;

// kBrowserFound with the command line in out, or kBrowserNotFound with out
// empty: nowhere found, or a search that would not close. A and b, the
// floppy drives, are never searched. A null out searches nothing.
int32_t browser_command(FileFinder& finder, char* out);

} // namespace kav::tillio
