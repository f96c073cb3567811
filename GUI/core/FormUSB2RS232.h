// FormUSB2RS232: FormRS232 for drawers on USB-to-RS232 adapters. The same
// window over the ports the library finds in the registry.
#pragma once
#include "FormRS232.h"

#include <string>
#include <vector>

namespace kav::gui {

class UsbToComPorts final : public SerialPortSource {
public:
    explicit UsbToComPorts(const Library& library) : library_(library) {}
    int32_t load(SerialDrawerView& view) override;
    // StringTrim(entry, "COM"), then the rest read as a whole number.
    int port_number(const std::string& entry) override;
    // Loading leaves them as they are: an outline with no state yet.
    bool hides_status_at_load() const override { return false; }

private:
    const Library& library_;
};

// The adapters' port names as the library lists them, in its order; empty,
// with EnumUsbToComNum's result, when it found none.
std::vector<std::string> adapter_ports(const Library& library, int32_t& result);
// The message for a failed EnumUsbToComNum, or null for a result that has none.
const char* adapter_failure(int32_t result);

inline constexpr DialogLayout kFormUSB2RS232Layout{"USB to RS232 Cash Drawer", 355, 213, kSerialDrawerControls,
                                                  kSerialComboPort1Id};

} // namespace kav::gui
