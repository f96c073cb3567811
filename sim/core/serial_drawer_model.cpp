#include "serial_drawer_model.h"

namespace kav::sim {

bool SerialDrawerModel::receive(const uint8_t* data, uint32_t length, uint64_t now_us)
{
    // A drawer due to close does so before the new bytes arrive; that too is
    // a carrier change.
    bool changed = advance(now_us);
    for (uint32_t i = 0; i < length; ++i) {
        // Pulsing an open drawer does nothing: it is already out.
        if (data[i] != kPulse || open_) continue;
        open_ = true;
        opened_at_us_ = now_us;
        ++openings_;
        changed = true;
    }
    return changed;
}

bool SerialDrawerModel::advance(uint64_t now_us)
{
    if (!open_ || now_us < opened_at_us_ + close_after_us_) return false;
    open_ = false;
    return true;
}

} // namespace kav::sim
