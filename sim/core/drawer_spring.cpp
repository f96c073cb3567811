#include "drawer_spring.h"

namespace kav::sim {

bool DrawerSpring::pulse(uint64_t now_us)
{
    bool changed = advance(now_us);
    if (open_) return changed;
    open_ = true;
    opened_at_us_ = now_us;
    ++openings_;
    return true;
}

bool DrawerSpring::advance(uint64_t now_us)
{
    if (!open_ || now_us < opened_at_us_ + close_after_us_) return false;
    open_ = false;
    return true;
}

} // namespace kav::sim
