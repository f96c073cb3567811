// The RS232 drawer exports of tillio.dll: wiring only; the behaviour is in
// core/serial_drawer.
#include "tillio_exports.h"

#include "serial_drawer.h"
#include "win32_serial_line.h"

extern "C" {

int __stdcall RS232OpenCashDrawer(int port)
{
    kav::tillio::Win32SerialLine line;
    return kav::tillio::open_cash_drawer(line, port);
}

int __stdcall RS232GetCashDrawerStatus(int port)
{
    kav::tillio::Win32SerialLine line;
    return kav::tillio::cash_drawer_status(line, port);
}

int __stdcall CheckRS232Controller(int port)
{
    kav::tillio::Win32SerialLine line;
    return kav::tillio::check_port(line, port);
}

} // extern "C"
