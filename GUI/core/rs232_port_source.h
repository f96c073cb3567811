// The RS232 window's ports: COM1 to COM8 scanned twice (the drawer
// library's serial scan), every port found listed for both drawers.
#pragma once
#include "program_state.h"
#include "serial_drawer_window.h"

namespace kav::gui {

class Rs232PortScan final : public SerialPortSource {
public:
    explicit Rs232PortScan(const Library& library) : library_(library) {}
    int32_t load(SerialDrawerView& view) override;
    // Entries are "COM" and the number; a missing entry names no port.
    int port_number(const std::string& entry) override;
    bool hides_status_at_load() const override { return true; }

private:
    const Library& library_;
};

} // namespace kav::gui
