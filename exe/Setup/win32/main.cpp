// setup.exe: installs the port driver from the distribution media (the
// folder it is in) and starts the utility's own installer. Exit status 0
// after "Install Finished", 1 after any failure.
#include "driver_install.h"
#include "win32_setup_system.h"

int main()
{
    kav::setup::Win32SetupSystem system;
    return kav::setup::run_install(system);
}
