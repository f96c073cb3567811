#include "driver_info.h"
#include "line_format.h"

#include <string.h>

namespace kav {

ControlResult answer_driver_info(WdmDebug& debug, GuardedPool& pool, const RequestBuffer& request, const char* name,
                                 const char* version)
{
    debug.trace("GET_DRIVER_INFO");
    if (request.data == nullptr || request.length() == 0) return {kStatusInvalidParameter, 0};
    request.data[0] = 0;

    auto* text = static_cast<char*>(pool.allocate(kDriverInfoWorkBytes, false));
    if (text == nullptr) return {kStatusInsufficientResources, 0};
    const size_t length = format_line(text, kDriverInfoWorkBytes, "\n\n\nDriver:\t %s\n\nVersion: %s\n\n", name, version);

    // Only a text that fits with its terminating zero is handed out; the
    // zero itself is not counted, so it is not copied back to the caller.
    uint32_t returned = 0;
    if (length < kDriverInfoWorkBytes && length < request.output_length) {
        memcpy(request.data, text, length + 1);
        returned = static_cast<uint32_t>(length);
    }
    pool.release(text);
    return {kStatusSuccess, returned};
}

} // namespace kav
