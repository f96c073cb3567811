// A drawer's spring: a pulse throws it open, and it closes by itself after
// the close time. The simulated serial and HID drawers share it.
#pragma once
#include <stdint.h>

namespace kav::sim {

class DrawerSpring {
public:
    static constexpr uint64_t kDefaultCloseAfterUs = 3000000;

    constexpr explicit DrawerSpring(uint64_t close_after_us = kDefaultCloseAfterUs) : close_after_us_(close_after_us) {}

    // True when the drawer changed: it closed first, or it sprang open.
    // Pulsing an open drawer does nothing: it is already out.
    bool pulse(uint64_t now_us);
    // True when the drawer closed by now.
    bool advance(uint64_t now_us);

    bool open() const { return open_; }
    // When the open drawer closes by itself; 0 while it is closed.
    uint64_t closes_at_us() const { return open_ ? opened_at_us_ + close_after_us_ : 0; }
    uint32_t openings() const { return openings_; }

private:
    uint64_t close_after_us_;
    bool open_ = false;
    uint64_t opened_at_us_ = 0;
    uint32_t openings_ = 0;
};

} // namespace kav::sim
