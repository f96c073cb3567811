#include "usb_drawers.h"

namespace kav::tillio {

KeptHidInterfaces::~KeptHidInterfaces()
{
    for (int32_t i = 0; i < count_; ++i) bus_.close(handles_[i]);
}

void KeptHidInterfaces::keep(HidHandle handle)
{
    if (handle == kNoHidDevice || full()) return;
    handles_[count_++] = handle;
}

HidHandle KeptHidInterfaces::drawer(int32_t n) const
{
    return n >= 1 && n <= count_ ? handles_[n - 1] : kNoHidDevice;
}

void keep_openable_interfaces(HidBus& bus, KeptHidInterfaces& kept)
{
    // One listing serves all eight members: each listing is a full scan of the
    // system's device interfaces, and the members it numbers are the same.
    const HidInterfaceSet set = bus.list_interfaces();
    if (set == kNoInterfaceSet) return;
    for (uint32_t index = 0; index < kUsbMembersTried && !kept.full(); ++index) {
        const HidMemberOpen member = bus.open_member(set, index);
        // A listing has no gaps: past its end no later member exists either.
        if (!member.listed) break;
        kept.keep(member.handle);
    }
    bus.release_interfaces(set);
}

int32_t UsbDrawers::ask(HidBus& bus, const KeptHidInterfaces& kept, int32_t n, uint32_t string, int32_t* state)
{
    const HidHandle handle = kept.drawer(n);
    if (handle == kNoHidDevice) return 0;
    // Zeroed, so nothing of an earlier call can be read back.
    uint8_t buffer[kUsbStringBytes] = {};
    if (!bus.indexed_string(handle, string, buffer, sizeof buffer)) return 0;
    if (string == kUsbStateString) {
        const int32_t answered = static_cast<int8_t>(buffer[0]);
        kept_state_.store(answered, std::memory_order_relaxed);
        if (state != nullptr) *state = answered;
    }
    return 1;
}

int32_t UsbDrawers::request(HidBus& bus, int32_t n, uint32_t string, int32_t* state)
{
    KeptHidInterfaces kept(bus);
    keep_openable_interfaces(bus, kept);
    return ask(bus, kept, n, string, state);
}

int32_t UsbDrawers::open_drawer(HidBus& bus, int32_t n)
{
    return request(bus, n, kUsbOpenString, nullptr);
}

int32_t UsbDrawers::drawer_status(HidBus& bus, int32_t n)
{
    int32_t state = 0;
    return request(bus, n, kUsbStateString, &state) == 1 ? state : 0;
}

} // namespace kav::tillio
