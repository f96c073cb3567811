#include "result_messages.h"

#include "tillio.h"

namespace kav::drawers {

const char* device_control_failure(int32_t result)
{
    switch (result) {
    case TILLIO_DEVICE_NOT_OPENED: return "Create File Failed";
    case TILLIO_CONTROL_FAILED: return "Device Control Failed";
    case TILLIO_UNDEFINED_COMMAND: return "Device Control ID not Defined";
    default: return nullptr;
    }
}

const char* adapter_failure(int32_t result)
{
    switch (result) {
    case TILLIO_REGISTRY_OPEN_FAILED: return "Registry Create Key Failed";
    case TILLIO_REGISTRY_QUERY_FAILED: return "Registry Query Info Key Failed";
    case TILLIO_REGISTRY_ENUM_FAILED: return "Registry Enum Key Failed";
    case TILLIO_NO_ADAPTER_PORT: return "USB to COM Controller not found";
    default: return nullptr;
    }
}

std::string board_state_message(int drawer, bool open)
{
    return "Cash Drawer " + std::to_string(drawer) + " is " + (open ? "Open" : "Closed");
}

std::string usb_state_message(int drawer, bool open)
{
    const char* state = open ? "Open" : "Closed";
    if (drawer == 1) return std::string("Cash Drawer 1 Is ") + state;
    return "Cash Drawer Is " + std::to_string(drawer) + " " + state;
}

std::string usb_open_failed(int drawer) { return "Open USB Cash Drawer " + std::to_string(drawer) + " Failed"; }

std::string usb_status_failed(int drawer)
{
    return "Get Status for USB Cash Drawer " + std::to_string(drawer) + " Failed";
}

std::string com_port_name(int port) { return "COM" + std::to_string(port); }

std::string com_open_failed(int port) { return "Open " + com_port_name(port) + " Failed"; }

std::string printer_not_answering(int port) { return "No printer answers on " + com_port_name(port); }

std::string printer_kick_failed(int port) { return "Drawer kick to the printer on " + com_port_name(port) + " failed"; }

} // namespace kav::drawers
