// What every export of tillio returns: plain signed integers, never exceptions.
// Status exports return the status byte (0..255) in place of kDone.
#pragma once
#include <stdint.h>

namespace kav::tillio {

inline constexpr int32_t kDone = 0;
inline constexpr int32_t kDeviceNotOpened = -1;
inline constexpr int32_t kControlFailed = -2;
inline constexpr int32_t kUndefinedCommand = -3;

} // namespace kav::tillio
