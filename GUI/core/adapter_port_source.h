// The USB-to-RS232 window's ports: FormRS232's window over the COM ports of
// the attached adapters, as the drawer library lists them.
#pragma once
#include "program_state.h"
#include "serial_drawer_window.h"

#include <string>

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

inline constexpr DialogLayout kFormUSB2RS232Layout{"USB to RS232 Cash Drawer", 355, 213, kSerialDrawerControls,
                                                  kSerialComboPort1Id};

} // namespace kav::gui
