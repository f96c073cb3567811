#include "library_lookup.h"

#include <windows.h>

#include <string>

namespace {

// The path start-up checked: the system directory and the library's name.
// A full path bypasses the search order, so a tillio.dll planted beside the
// program is never the one loaded.
std::string system_library_path()
{
    char directory[MAX_PATH];
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::string(directory, length) + "\\" + kav::gui::kLibraryFile;
}

} // namespace

kav::gui::ProcLookup tillio_lookup()
{
    return [](const char* name) -> kav::gui::RawProc {
        static const HMODULE library = [] {
            const std::string path = system_library_path();
            return path.empty() ? nullptr : LoadLibraryA(path.c_str());
        }(); // stays loaded for the run
        if (library == nullptr) return nullptr;
        return reinterpret_cast<kav::gui::RawProc>(GetProcAddress(library, name));
    };
}
