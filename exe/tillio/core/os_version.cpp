#include "os_version.h"

namespace kav::tillio {

int32_t os_version(VersionQuery& version)
{
    uint32_t major = 0;
    uint32_t minor = 0;
    if (!version.query(&major, &minor)) return kWindows2000;
    return major == 4 && minor == 10 ? kWindows98 : kWindows2000;
}

} // namespace kav::tillio
