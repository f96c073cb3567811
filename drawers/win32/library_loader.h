// tillio.dll loaded by its full path in the system directory, never through
// the search order (a tillio.dll planted beside a program is never the one
// loaded), and every export bound at once. It stays loaded for the run.
#pragma once
#include "library.h"

namespace kav::drawers {

// Binds library, all of it or nothing.
LibraryLoad load_library(Library& library);

} // namespace kav::drawers
