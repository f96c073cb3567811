// USB cash drawers that present themselves as HID devices. A drawer opens
// when asked for string 106 and tells its state in the first byte of string
// 107. Drawer n is the n-th HID interface that opens among members 0 to 7 of
// the system's listing, counting at most five.
#pragma once
#include "hid_bus.h"
#include <atomic>
#include <stdint.h>

namespace kav::tillio {

inline constexpr uint32_t kUsbOpenString = 106;
inline constexpr uint32_t kUsbStateString = 107;
inline constexpr uint32_t kUsbMembersTried = 8;
inline constexpr int32_t kUsbMostDrawers = 5;
// The size of the string buffer, as the request is told it.
inline constexpr uint32_t kUsbStringBytes = 100;

// The handles of the interfaces that opened, in the order they opened; each is
// closed once when this goes away, whatever path the call took.
class KeptHidInterfaces {
public:
    explicit KeptHidInterfaces(HidBus& bus) : bus_(bus) {}
    ~KeptHidInterfaces();
    KeptHidInterfaces(const KeptHidInterfaces&) = delete;
    KeptHidInterfaces& operator=(const KeptHidInterfaces&) = delete;

    bool full() const { return count_ == kUsbMostDrawers; }
    int32_t count() const { return count_; }
    // Takes ownership; ignored when full or kNoHidDevice.
    void keep(HidHandle handle);
    // Drawer n's handle (1-based); kNoHidDevice for any other number.
    HidHandle drawer(int32_t n) const;

private:
    HidBus& bus_;
    HidHandle handles_[kUsbMostDrawers] = {};
    int32_t count_ = 0;
};

// Lists the interfaces once and keeps the first five of members 0 to 7 that
// open. The listing is released before this returns.
void keep_openable_interfaces(HidBus& bus, KeptHidInterfaces& kept);

// The two exports' behaviour and the USB state the library keeps between
// calls. Calls may come from any thread at once.
class UsbDrawers {
public:
    constexpr UsbDrawers() = default;

    // 1 when drawer n accepted the request for string 106, else 0.
    int32_t open_drawer(HidBus& bus, int32_t n);

    // The state drawer n answered string 107 with, else 0: this request's own
    // answer, never one another thread's call got meanwhile.
    int32_t drawer_status(HidBus& bus, int32_t n);

    // Asks kept drawer n for one string: 1 answered, 0 otherwise (no such
    // drawer, or it refused). An answered 107 sets the kept state and, when
    // state is given, *state; nothing else touches either.
    int32_t ask(HidBus& bus, const KeptHidInterfaces& kept, int32_t n, uint32_t string, int32_t* state = nullptr);

    // The first byte of the last answered 107, sign-extended; 0 before any.
    int32_t kept_state() const { return kept_state_.load(std::memory_order_relaxed); }

private:
    int32_t request(HidBus& bus, int32_t n, uint32_t string, int32_t* state);

    std::atomic<int32_t> kept_state_{0};
};

} // namespace kav::tillio
