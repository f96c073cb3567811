// Which of the two supported system families this is: Windows 98 (4.10) or the
// Windows 2000 class, which takes in every other version.
#pragma once
#include "tillio.h"

#include <stdint.h>

namespace kav::tillio {

inline constexpr int32_t kWindows98 = TILLIO_WINDOWS_98;
inline constexpr int32_t kWindows2000 = TILLIO_WINDOWS_2000;

class VersionQuery {
public:
    // The system's major and minor version; false if the system would not say.
    virtual bool query(uint32_t* major, uint32_t* minor) = 0;

protected:
    VersionQuery() = default;
    VersionQuery(const VersionQuery&) = default;
    VersionQuery& operator=(const VersionQuery&) = default;
    ~VersionQuery() = default;
};

// kWindows98 for 4.10 only. A system that does not tell its version is not
// Windows 98, whose version query always answers.
int32_t os_version(VersionQuery& version);

} // namespace kav::tillio
