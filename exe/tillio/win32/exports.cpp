// Entry points of tillio.dll: wiring only; the behaviour is in core/.
#include "tillio.h"

#include "command_channel.h"
#include "win32_device_channel.h"

namespace {

// The one process-wide byte the status exports hand back. Constant-initialised,
// so it is ready before any export can be called and needs no DllMain.
constinit kav::tillio::CommandChannel g_commands;

int board_status(const char* devicePath, int command)
{
    kav::tillio::Win32DeviceChannel device;
    return g_commands.status(device, devicePath, command);
}

} // namespace

extern "C" {

int TILLIO_CALL DeviceControl(const char* devicePath, int command)
{
    kav::tillio::Win32DeviceChannel device;
    return g_commands.device_control(device, devicePath, command);
}

// Six names for one behaviour: each board's menu binds its own.
int TILLIO_CALL AdvantechGetCashDrawerStatus(const char* devicePath, int command)
{
    return board_status(devicePath, command);
}

int TILLIO_CALL PortwellGetCashDrawerStatus(const char* devicePath, int command)
{
    return board_status(devicePath, command);
}

int TILLIO_CALL IEIGetCashDrawerStatus(const char* devicePath, int command)
{
    return board_status(devicePath, command);
}

int TILLIO_CALL ThinClientGetCashDrawerStatus(const char* devicePath, int command)
{
    return board_status(devicePath, command);
}

int TILLIO_CALL Bastra8613GetCashDrawerStatus(const char* devicePath, int command)
{
    return board_status(devicePath, command);
}

int TILLIO_CALL Bastra9613GetCashDrawerStatus(const char* devicePath, int command)
{
    return board_status(devicePath, command);
}

} // extern "C"
