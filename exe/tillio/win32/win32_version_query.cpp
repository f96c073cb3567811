#include "win32_version_query.h"

#include <windows.h>

namespace kav::tillio {

// The plain record, which every version of Windows accepts.
static_assert(sizeof(OSVERSIONINFOA) == 148);

bool Win32VersionQuery::query(uint32_t* major, uint32_t* minor)
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
    *major = info.dwMajorVersion;
    *minor = info.dwMinorVersion;
    return true;
}

} // namespace kav::tillio
