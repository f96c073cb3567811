// KAV_Cash_Drawer_Utility.exe: wiring only. The program state lives here for
// the run; FormCash decides, FormCashWindow shows.
#include "main_window.h"
#include "main_window_view.h"
#include "win32_system_services.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    kav::gui::ProgramState state;
    Win32SystemServices system;
    FormCashWindow window(instance, state, system);
    kav::gui::FormCash form(state, system, window);
    window.attach(form);

    // Start-up binds tillio.dll once it has checked it; no call through the
    // binding can throw.
    const kav::gui::StartupResult started = form.startup();
    if (started.outcome == kav::gui::StartupOutcome::Ended) return 0;
    if (started.outcome == kav::gui::StartupOutcome::Unattended) {
        form.RunAutoLoopTest();
        return 0;
    }
    if (!window.create(show)) {
        form.on_close_box(); // the driver service started above goes with the program
        return 1;
    }
    return window.run();
}
