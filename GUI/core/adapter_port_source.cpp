#include "adapter_port_source.h"

#include "adapter_ports.h"
#include "result_messages.h"

namespace kav::gui {

int32_t UsbToComPorts::load(SerialDrawerView& view)
{
    const drawers::AdapterPortList ports = drawers::list_adapter_ports(library_);
    if (ports.result < 1) {
        if (const char* text = drawers::adapter_failure(ports.result)) view.message(text, kTitleError);
        return ports.result;
    }
    for (const std::string& entry : ports.names) {
        view.add_entry(1, entry);
        view.add_entry(2, entry);
    }
    // Drawer 1 starts on the first port the library reports, drawer 2 on the last.
    view.show_entry(1, ports.names.front());
    view.show_entry(2, ports.names.back());
    return ports.result;
}

int UsbToComPorts::port_number(const std::string& entry) { return drawers::adapter_port_number(library_, entry); }

} // namespace kav::gui
