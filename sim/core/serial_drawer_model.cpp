#include "serial_drawer_model.h"

namespace kav::sim {

bool SerialDrawerModel::receive(const uint8_t* data, uint32_t length, uint64_t now_us)
{
    // A drawer due to close does so before the new bytes arrive; that too is
    // a carrier change.
    bool changed = advance(now_us);
    for (uint32_t i = 0; i < length; ++i) {
        if (data[i] == kPulse && spring_.pulse(now_us)) changed = true;
    }
    return changed;
}

} // namespace kav::sim
