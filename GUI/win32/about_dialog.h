// FormAbout's Win32 view: the About window with its product picture and the
// maker's address as a link.
#pragma once
#include "program_state.h"

#include <windows.h>

// Shows the window modally, centred over owner; returns when it has closed.
void run_form_about(HINSTANCE instance, HWND owner, const kav::gui::ProgramState& state);
