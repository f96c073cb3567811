// FormTCDio's Win32 view: a modal dialog whose controls sit at the pixel
// positions of the window's layout.
#pragma once
#include "program_state.h"

#include <windows.h>

// Shows the window modally over owner; returns when it has closed.
void run_form_tcdio(HINSTANCE instance, HWND owner, kav::gui::ProgramState& state);
