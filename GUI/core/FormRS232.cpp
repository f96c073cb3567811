#include "FormRS232.h"

#include "number_rules.h"

namespace kav::gui {
namespace {

constexpr int kFirstScannedPort = 1;
constexpr int kLastScannedPort = 8; // COM9 and above are never examined
constexpr int32_t kPortAbsent = -1;

std::string port_entry(int port) { return "COM" + std::to_string(port); }

} // namespace

FormRS232::FormRS232(SerialDrawerView& view, SerialPortSource& source, SerialPort& MSComm, SerialPort& MSComm2)
    : view_(view), source_(source), MSComm_(MSComm), MSComm2_(MSComm2)
{
    MSComm_.set_listener([this](const CommEvent& event) { on_comm(1, event); });
    MSComm2_.set_listener([this](const CommEvent& event) { on_comm(2, event); });
}

void FormRS232::load()
{
    if (source_.hides_status_at_load()) {
        view_.hide_status(1);
        view_.hide_status(2);
    }
    found_ports_ = source_.load(view_);
}

void FormRS232::activate()
{
    if (found_ports_ < 1) view_.close_window();
}

void FormRS232::fire(int drawer)
{
    view_.enable_drawer(drawer, false);
    const int port = source_.port_number(view_.shown_entry(drawer));
    // Only one port is ever open, so one port may serve both drawers.
    MSComm_.close();
    MSComm2_.close();
    SerialPort& comm = port_of(drawer);
    const bool fired = comm.set_comm_port(port) && comm.open() && comm.output("U");
    view_.enable_drawer(drawer, true);
    if (!fired) {
        // Another program may have taken the port since the window loaded.
        comm.close();
        view_.message("Open COM" + std::to_string(port) + " Failed", kTitleError);
    }
}

void FormRS232::on_comm(int drawer, const CommEvent& event)
{
    if (event.code != kComEvCD) return;
    view_.show_status(drawer, event.cd_holding ? DrawerLook::Closed : DrawerLook::Open);
}

void FormRS232::cmdCancel_Click()
{
    MSComm_.close();
    MSComm2_.close();
    view_.close_window();
}

int32_t Rs232PortScan::load(SerialDrawerView& view)
{
    int32_t found = 0;
    for (int port = kFirstScannedPort; port <= kLastScannedPort; ++port) {
        if (library_.CheckRS232Controller(port) == kPortAbsent) continue;
        view.add_entry(1, port_entry(port));
        view.add_entry(2, port_entry(port));
        ++found;
    }
    if (found == 0) {
        view.message("No RS232 Controller Found or broken", kTitleError);
        return 0;
    }

    // Drawer 1 starts on the lowest port, drawer 2 on the highest, each
    // checked again; a port gone since the first pass fails the window.
    int32_t passed = 0;
    for (int port = kFirstScannedPort; port <= kLastScannedPort && passed < found; ++port) {
        if (library_.CheckRS232Controller(port) == kPortAbsent) continue;
        ++passed;
        if (found == 1) {
            view.show_entry(1, port_entry(port));
            view.show_entry(2, port_entry(port));
        } else {
            view.show_entry(passed == 1 ? 1 : 2, port_entry(port));
        }
    }
    if (passed < found) {
        view.message(found == 1 ? "No RS232 Controller found or broken" : "No RS232 Controller found or broken ",
                     kTitleError);
        return 0;
    }
    return found;
}

int Rs232PortScan::port_number(const std::string& entry)
{
    // Entries are "COM" and the number; a missing entry names no port.
    if (entry.size() <= 3) return 0;
    return round_to_int32(leading_number(std::string_view(entry).substr(3))).value_or(0);
}

} // namespace kav::gui
