// What every export of tillio returns: plain signed integers, never exceptions.
// Status exports return the status byte (0..255) in place of kDone.
#pragma once
#include "tillio.h"

#include <stdint.h>

namespace kav::tillio {

inline constexpr int32_t kDone = TILLIO_DONE;
inline constexpr int32_t kDeviceNotOpened = TILLIO_DEVICE_NOT_OPENED;
inline constexpr int32_t kControlFailed = TILLIO_CONTROL_FAILED;
inline constexpr int32_t kUndefinedCommand = TILLIO_UNDEFINED_COMMAND;

} // namespace kav::tillio
