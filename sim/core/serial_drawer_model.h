// A cash drawer on a serial line: the byte 0x55 pulses it open; carrier
// detect is high while it is closed, low while it is open, and high again
// when it closes by itself after the close time.
#pragma once
#include <stdint.h>

namespace kav::sim {

class SerialDrawerModel {
public:
    static constexpr uint8_t kPulse = 0x55;
    static constexpr uint64_t kDefaultCloseAfterUs = 3000000;

    constexpr explicit SerialDrawerModel(uint64_t close_after_us = kDefaultCloseAfterUs)
        : close_after_us_(close_after_us)
    {
    }

    // True when the carrier changed: the drawer sprang open, or closed first.
    bool receive(const uint8_t* data, uint32_t length, uint64_t now_us);
    // True when the drawer closed by now, which raises the carrier again.
    bool advance(uint64_t now_us);

    bool open() const { return open_; }
    bool carrier() const { return !open_; }
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
