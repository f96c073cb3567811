// The device layer's answer to GET_DRIVER_INFO: the driver's name and version
// as a short text for the caller's output buffer.
#pragma once
#include "command_engine.h"
#include "guarded_pool.h"
#include "wdm_debug.h"

namespace kav {

inline constexpr uint32_t kDriverInfoWorkBytes = 256;

// Success with the text's length (without its terminating zero) when the
// caller offers more output bytes than that, success with 0 bytes and an
// empty buffer when it does not. A request without a buffer is refused
// (STATUS_INVALID_PARAMETER); no working buffer gives
// STATUS_INSUFFICIENT_RESOURCES. Nothing is written past request.length().
ControlResult answer_driver_info(WdmDebug& debug, GuardedPool& pool, const RequestBuffer& request, const char* name,
                                 const char* version);

} // namespace kav
