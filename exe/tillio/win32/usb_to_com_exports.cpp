// Entry points of tillio.dll for the ports of USB-to-RS232 adapters: wiring
// only; the behaviour is in core/.
#include "tillio.h"

#include "usb_to_com.h"
#include "win32_registry_reader.h"

namespace {

// The port table the last call filled, process-wide.
constinit kav::tillio::AdapterPorts g_adapter_ports;

} // namespace

extern "C" {

int TILLIO_CALL EnumUsbToComNum(char* portList)
{
    kav::tillio::Win32RegistryReader registry;
    return g_adapter_ports.enumerate(registry, portList);
}

int TILLIO_CALL GetUsbToComToken(char* portList, char* token) { return kav::tillio::take_port_token(portList, token); }

} // extern "C"
