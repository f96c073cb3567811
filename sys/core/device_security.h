// Who may open the driver's device: SYSTEM and the Administrators with all
// access, interactive users (a cashier's POS program runs as one) to read and
// write, nobody else: not network or service logons, which could otherwise
// pulse drawers or hold the one admitted handle so that nobody else can.
#pragma once
#include <stddef.h>
#include <stdint.h>

namespace kav {

// File access rights as the kernel spells them.
inline constexpr uint32_t kFileAllAccess = 0x001F01FF;
inline constexpr uint32_t kFileGenericRead = 0x00120089;
inline constexpr uint32_t kFileGenericWrite = 0x00120116;

// A self-relative security descriptor with a protected DACL and no owner,
// group or SACL: the header, then the DACL with its three entries.
inline constexpr size_t kDeviceSecurityBytes = 20 + 8 + (8 + 12) + (8 + 16) + (8 + 12);

struct DeviceSecurity {
    alignas(4) uint8_t bytes[kDeviceSecurityBytes];
};

DeviceSecurity device_security();

} // namespace kav
