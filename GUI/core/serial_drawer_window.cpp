#include "serial_drawer_window.h"

#include "result_messages.h"

namespace kav::gui {

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
        view_.message(drawers::com_open_failed(port), kTitleError);
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

} // namespace kav::gui
