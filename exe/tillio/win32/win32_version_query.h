// VersionQuery over GetVersionExA. No decisions here.
#pragma once
#include "os_version.h"

namespace kav::tillio {

class Win32VersionQuery final : public VersionQuery {
public:
    constexpr Win32VersionQuery() = default;

    bool query(uint32_t* major, uint32_t* minor) override;
};

} // namespace kav::tillio
