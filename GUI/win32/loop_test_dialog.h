// FormSetting's Win32 view: the loop test's settings window, its timer and
// its serial ports, and the picture windows it shows.
#pragma once
#include "program_state.h"
#include "system_services.h"

#include <windows.h>

// Shows the window modally over owner (none in an unattended start);
// returns when it has closed.
void run_form_setting(HINSTANCE instance, HWND owner, kav::gui::ProgramState& state, kav::gui::SystemServices& system);
