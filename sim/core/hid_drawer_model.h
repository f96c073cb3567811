// A HID device on the simulated bus. A drawer answers two string requests:
// string 106 pulses it open (it closes again after the close time) and
// string 107 tells its state, "0" while open and "1" while closed. Any other
// string, and every string of a device that is no drawer (as Wine's own
// mouse and keyboard), is refused.
#pragma once
#include "drawer_spring.h"

#include <stdint.h>

namespace kav::sim {

enum class HidKind : uint8_t { Drawer, Other };

inline constexpr uint32_t kHidOpenString = 106;
inline constexpr uint32_t kHidStateString = 107;

struct HidStringReply {
    bool answered = false;
    // ASCII, terminated; the kernel sends it as UTF-16 with the terminator.
    char text[16] = {};
};

class HidDrawerModel {
public:
    constexpr HidDrawerModel() = default;
    constexpr HidDrawerModel(HidKind kind, uint64_t close_after_us) : kind_(kind), spring_(close_after_us) {}

    HidStringReply string_request(uint32_t index, uint64_t now_us);

    HidKind kind() const { return kind_; }
    bool open(uint64_t now_us);
    uint32_t openings() const { return spring_.openings(); }

private:
    HidKind kind_ = HidKind::Other;
    DrawerSpring spring_;
};

} // namespace kav::sim
