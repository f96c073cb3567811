// Entry points of tillio.dll for USB HID drawers: wiring only; the behaviour
// is in core/usb_drawers.
#include "tillio.h"

#include "usb_drawers.h"
#include "win32_hid_bus.h"

namespace {

// The USB state the status export hands back. Constant-initialised, so it is
// ready before any export can be called and needs no DllMain.
constinit kav::tillio::UsbDrawers g_usb_drawers;

} // namespace

extern "C" {

int TILLIO_CALL UsbCashDrawer(int drawer)
{
    kav::tillio::Win32HidBus bus;
    return g_usb_drawers.open_drawer(bus, drawer);
}

int TILLIO_CALL UsbCashDrawerStaus(int drawer)
{
    kav::tillio::Win32HidBus bus;
    return g_usb_drawers.drawer_status(bus, drawer);
}

} // extern "C"
