// HidBus over setupapi, CreateFileA and hid.dll. No decisions here: each
// method is the system calls of one step.
#pragma once
#include "hid_bus.h"

#include <windows.h>

namespace kav::tillio {

class Win32HidBus final : public HidBus {
public:
    Win32HidBus();

    HidInterfaceSet list_interfaces() override;
    HidMemberOpen open_member(HidInterfaceSet set, uint32_t index) override;
    void release_interfaces(HidInterfaceSet set) override;
    bool indexed_string(HidHandle handle, uint32_t index, void* buffer, uint32_t length) override;
    void close(HidHandle handle) override;

private:
    GUID hid_class_;
};

} // namespace kav::tillio
