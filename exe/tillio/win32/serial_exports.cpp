// The RS232 drawer exports of tillio.dll: wiring only; the behaviour is the
// drawer library's serial drawer rules over its Win32 serial edge.
#include "tillio.h"

#include "serial_drawer.h"
#include "win32_serial_line.h"

extern "C" {

int TILLIO_CALL RS232OpenCashDrawer(int port)
{
    kav::drawers::Win32SerialLine line;
    return kav::drawers::open_cash_drawer(line, port);
}

int TILLIO_CALL RS232GetCashDrawerStatus(int port)
{
    kav::drawers::Win32SerialLine line;
    return kav::drawers::cash_drawer_status(line, port);
}

int TILLIO_CALL CheckRS232Controller(int port)
{
    kav::drawers::Win32SerialLine line;
    return kav::drawers::check_port(line, port);
}

} // extern "C"
