#include "win32_file_finder.h"

#include <windows.h>

namespace kav::tillio {

SearchHandle Win32FileFinder::find_first(const char* path)
{
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA(path, &found);
    return search == INVALID_HANDLE_VALUE ? kNoSearch : search;
}

bool Win32FileFinder::close(SearchHandle search)
{
    return FindClose(search) != FALSE;
}

} // namespace kav::tillio
