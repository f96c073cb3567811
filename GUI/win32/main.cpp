// KAV_Cash_Drawer_Utility.exe: wiring only. Module1 lives here for the run;
// FormCash decides, FormCashWindow shows.
#include "FormCash.h"
#include "form_cash_window.h"
#include "library_lookup.h"
#include "win32_system_services.h"

#include <windows.h>

#include <functional>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    kav::gui::Module1 module;
    module.library = kav::gui::bind_library_on_first_call(tillio_lookup());
    Win32SystemServices system;
    FormCashWindow window(instance, module, system);
    kav::gui::FormCash form(module, system, window);
    window.attach(form);

    try {
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
    } catch (const std::bad_function_call&) {
        report_missing_export(nullptr);
        return 1;
    }
    return window.run();
}
