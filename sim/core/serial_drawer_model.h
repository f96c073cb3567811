// A cash drawer on a serial line: the byte 0x55 pulses it open; carrier
// detect is high while it is closed, low while it is open, and high again
// when it closes by itself after the close time.
#pragma once
#include "drawer_spring.h"

#include <stdint.h>

namespace kav::sim {

class SerialDrawerModel {
public:
    static constexpr uint8_t kPulse = 0x55;
    static constexpr uint64_t kDefaultCloseAfterUs = DrawerSpring::kDefaultCloseAfterUs;

    constexpr explicit SerialDrawerModel(uint64_t close_after_us = kDefaultCloseAfterUs) : spring_(close_after_us) {}

    // True when the carrier changed: the drawer sprang open, or closed first.
    bool receive(const uint8_t* data, uint32_t length, uint64_t now_us);
    // True when the drawer closed by now, which raises the carrier again.
    bool advance(uint64_t now_us) { return spring_.advance(now_us); }

    bool open() const { return spring_.open(); }
    bool carrier() const { return !spring_.open(); }
    // When the open drawer closes by itself; 0 while it is closed.
    uint64_t closes_at_us() const { return spring_.closes_at_us(); }
    uint32_t openings() const { return spring_.openings(); }
    const DrawerSpring& spring() const { return spring_; }

private:
    DrawerSpring spring_;
};

} // namespace kav::sim
