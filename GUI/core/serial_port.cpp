#include "serial_port.h"

namespace kav::gui {

bool SerialPort::set_comm_port(int port)
{
    if (open_) return false;
    port_ = port;
    return true;
}

bool SerialPort::open()
{
    if (open_) return true;
    if (!device_.open(port_)) return false;
    if (!watcher_.start()) {
        // A port whose line nobody watches would never report its drawer.
        device_.close();
        return false;
    }
    open_ = true;
    return true;
}

void SerialPort::close()
{
    if (!open_) return;
    open_ = false;
    // The watcher waits on the device: it ends before the device goes.
    watcher_.stop();
    device_.close();
}

bool SerialPort::output(std::string_view text) { return open_ && device_.write(text); }

void SerialPort::deliver(WorkerStamp stamp, uintptr_t payload)
{
    if (!open_ || !watcher_.accepts(stamp)) return;
    if ((payload & kLineEventCarrierDetect) == 0) return;
    if (listener_) listener_(CommEvent{kComEvCD, (payload & 0x10000u) != 0});
}

} // namespace kav::gui
