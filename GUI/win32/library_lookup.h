// Finds tillio.dll's exports by name, loading the library at the first lookup
// from the usual search path (the program's folder, then the system folders).
#pragma once
#include "Module1.h"

kav::gui::ProcLookup tillio_lookup();
