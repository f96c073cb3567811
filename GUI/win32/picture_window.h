// The loop test's picture windows (frmRun, frmShowPass, frmShowFail): a
// modal window that shows one bitmap and closes itself.
#pragma once
#include "loop_windows.h"

#include <windows.h>

// Returns once the window has closed.
void run_picture_window(HINSTANCE instance, HWND owner, const kav::gui::PictureWindow& window, int bitmap_id);
