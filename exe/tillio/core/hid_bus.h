// The library's view of the machine's HID device interfaces: list them once,
// open one member of the listing, ask an opened device for one of its indexed
// strings. The Win32 edge implements it with setupapi, CreateFileA and
// hid.dll; the tests with a scripted device list.
#pragma once
#include <stdint.h>

namespace kav::tillio {

// Opaque to the core; the edge maps its own "none" values to these.
using HidHandle = void*;
inline constexpr HidHandle kNoHidDevice = nullptr;
using HidInterfaceSet = void*;
inline constexpr HidInterfaceSet kNoInterfaceSet = nullptr;

// One member of a listing: whether the listing has it at all, and the handle
// of its device when it opened for reading and writing.
struct HidMemberOpen {
    bool listed;
    HidHandle handle;
};

class HidBus {
public:
    // The present interfaces of the HID class, in the system's order;
    // kNoInterfaceSet when the system gives no listing.
    virtual HidInterfaceSet list_interfaces() = 0;

    // Opens member index of the listing. A member whose path cannot be read or
    // whose device does not open is listed with kNoHidDevice.
    virtual HidMemberOpen open_member(HidInterfaceSet set, uint32_t index) = 0;

    virtual void release_interfaces(HidInterfaceSet set) = 0;

    // One request for string number index into buffer (length bytes); true
    // when the device answered it.
    virtual bool indexed_string(HidHandle handle, uint32_t index, void* buffer, uint32_t length) = 0;

    virtual void close(HidHandle handle) = 0;

protected:
    HidBus() = default;
    HidBus(const HidBus&) = default;
    HidBus& operator=(const HidBus&) = default;
    // Buses are never owned through this interface.
    ~HidBus() = default;
};

} // namespace kav::tillio
