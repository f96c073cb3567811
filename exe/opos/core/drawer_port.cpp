#include "drawer_port.h"

namespace kav::opos {

std::string_view kind_text(DrawerKind kind)
{
    switch (kind) {
    case DrawerKind::Board: return "board drawer";
    case DrawerKind::UsbHid: return "USB HID drawer";
    case DrawerKind::Serial: return "RS232 drawer";
    case DrawerKind::UsbSerialAdapter: return "drawer on a USB-to-RS232 adapter";
    case DrawerKind::Printer: return "drawer on a receipt printer";
    }
    return "drawer";
}

} // namespace kav::opos
