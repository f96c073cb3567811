#include "library_lookup.h"

#include <windows.h>

kav::gui::ProcLookup tillio_lookup()
{
    return [](const char* name) -> kav::gui::RawProc {
        static const HMODULE library = LoadLibraryA(kav::gui::kLibraryFile); // stays loaded for the run
        if (library == nullptr) return nullptr;
        return reinterpret_cast<kav::gui::RawProc>(GetProcAddress(library, name));
    };
}
