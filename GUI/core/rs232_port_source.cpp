#include "rs232_port_source.h"

#include "com_port_scan.h"
#include "number_rules.h"
#include "result_messages.h"

namespace kav::gui {

int32_t Rs232PortScan::load(SerialDrawerView& view)
{
    const drawers::ComPortScan scan = drawers::scan_com_ports(library_, drawers::ComPairing::EveryPortAgain);
    for (const int port : scan.found) {
        view.add_entry(1, drawers::com_port_name(port));
        view.add_entry(2, drawers::com_port_name(port));
    }
    // Drawer 1 starts on the lowest port that answered again, drawer 2 on
    // the highest (the same port when it is the only one).
    if (scan.first != 0) view.show_entry(1, drawers::com_port_name(scan.first));
    if (scan.last != 0 && (scan.last != scan.first || scan.found.size() == 1))
        view.show_entry(2, drawers::com_port_name(scan.last));
    if (!scan.ok()) {
        view.message(scan.failure, kTitleError);
        return 0;
    }
    return static_cast<int32_t>(scan.found.size());
}

int Rs232PortScan::port_number(const std::string& entry)
{
    if (entry.size() <= 3) return 0;
    return drawers::round_to_int32(drawers::leading_number(std::string_view(entry).substr(3))).value_or(0);
}

} // namespace kav::gui
