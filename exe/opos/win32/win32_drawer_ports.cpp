#include "win32_drawer_ports.h"

#include "com_port.h"
#include "held_com_line.h"
#include "library_loader.h"
#include "serial_drawer_room.h"
#include "win32_threads.h"

#include <windows.h>

#include <new>

namespace kav::opos::win32 {
namespace {

class LoadLock {
public:
    LoadLock() { InitializeCriticalSection(&section); }
    ~LoadLock() { DeleteCriticalSection(&section); }
    LoadLock(const LoadLock&) = delete;
    LoadLock& operator=(const LoadLock&) = delete;
    CRITICAL_SECTION section;
};

LoadLock load_lock;
// Bound once and kept, as tillio.dll stays loaded, for the process's life:
// ports made from it may outlive any one service object.
const drawers::Library* loaded_library = nullptr;
const drawers::Library unbound_library;

const drawers::Library& process_library()
{
    EnterCriticalSection(&load_lock.section);
    if (!loaded_library) {
        auto* library = new (std::nothrow) drawers::Library;
        if (library && drawers::load_library(*library).bound()) {
            loaded_library = library;
        } else {
            delete library;
        }
    }
    const drawers::Library& library = loaded_library ? *loaded_library : unbound_library;
    LeaveCriticalSection(&load_lock.section);
    return library;
}

} // namespace

Win32DrawerPorts::Win32DrawerPorts()
    : library_(&process_library()), drawers_(*library_, drawers::read_carrier, &printer_port_),
      ports_(*library_, drawers_, *this)
{
}

std::unique_ptr<DrawerPort> Win32DrawerPorts::port_for(std::string_view drawer_name, std::string& why)
{
    return ports_.port_for(drawer_name, why);
}

std::unique_ptr<DrawerRoom> Win32DrawerPorts::room(int port)
{
    return std::make_unique<SerialDrawerRoom>(port);
}

std::unique_ptr<HeldLine> Win32DrawerPorts::line(int port)
{
    return std::make_unique<HeldComLine>(port);
}

std::unique_ptr<Monitor> Win32DrawerPorts::monitor()
{
    return std::make_unique<Win32Monitor>();
}

} // namespace kav::opos::win32
