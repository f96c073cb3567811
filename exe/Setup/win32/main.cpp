// setup.exe: installs the port driver from the distribution media and starts
// the utility's own installer. Run from the media's root folder.
#include "driver_install.h"
#include "win32_setup_system.h"

int main()
{
    kav::setup::Win32SetupSystem system;
    kav::setup::run_install(system);
    return 0;
}
