// The library's view of file search: is there a file at this path? The Win32
// edge maps it to FindFirstFileA and FindClose; the tests use a fake.
#pragma once

namespace kav::tillio {

// Opaque to the core; the edge maps its own "nothing found" to kNoSearch.
using SearchHandle = void*;
inline constexpr SearchHandle kNoSearch = nullptr;

class FileFinder {
public:
    // A search handle for the first match, kNoSearch if nothing matches.
    virtual SearchHandle find_first(const char* path) = 0;
    // false if the search could not be closed.
    virtual bool close(SearchHandle search) = 0;

protected:
    FileFinder() = default;
    FileFinder(const FileFinder&) = default;
    FileFinder& operator=(const FileFinder&) = default;
    ~FileFinder() = default;
};

} // namespace kav::tillio
