// FormTCDio's Win32 view: a modal dialog whose controls sit at the pixel
// positions of the window's layout.
#pragma once
#include "Module1.h"

#include <windows.h>

// Control ids, for the buttons the dialog manager's own: Enter is OK, Esc is Cancel.
inline constexpr int kLabel1Id = 1000;
inline constexpr int kComboTCDioId = 1001;
inline constexpr int kCmdOKId = IDOK;
inline constexpr int kCmdCancelId = IDCANCEL;

// Shows the window modally over owner; returns when it has closed.
void run_form_tcdio(HINSTANCE instance, HWND owner, kav::gui::Module1& module);
