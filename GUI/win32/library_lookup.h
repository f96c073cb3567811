// Finds tillio.dll's exports by name, loading the library at the first lookup
// by its full path in the system directory, the one start-up checked; never
// through the search order.
#pragma once
#include "Module1.h"

kav::gui::ProcLookup tillio_lookup();
