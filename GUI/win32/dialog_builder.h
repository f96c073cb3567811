// Makes a modal dialog from a window's layout table: caption, client size,
// controls at their pixel positions with their fonts, centred over its owner,
// no minimise or maximise box. Every secondary window of the utility is one.
#pragma once
#include "dialog_layout.h"

#include <windows.h>

class DialogWindow {
public:
    HWND hwnd() const { return hwnd_; }
    // The control with this id of the layout (null for any other).
    HWND control(int id) const { return GetDlgItem(hwnd_, id); }
    // Closes the dialog; run_modal_dialog then returns result.
    void end(int result) const { EndDialog(hwnd_, result); }

private:
    friend class DialogRun;
    HWND hwnd_ = nullptr;
};

// A window's view, as the dialog sees it. Each call runs on the window thread.
class DialogHandler {
public:
    // The controls exist and the window is placed; not yet shown.
    virtual void on_init(DialogWindow& dialog) = 0;
    // WM_COMMAND from a control (Enter and Esc as kIdOk and kIdCancel; the
    // close box as kIdCancel).
    virtual void on_command(int id, int notification) = 0;
    // Any other message; true when handled, its answer in result.
    virtual bool on_message(UINT, WPARAM, LPARAM, INT_PTR& /*result*/) { return false; }
    // The window is going away and its controls still exist: stop and join
    // any worker that posts to it here.
    virtual void on_destroy() {}

protected:
    DialogHandler() = default;
    DialogHandler(const DialogHandler&) = default;
    DialogHandler& operator=(const DialogHandler&) = default;
    ~DialogHandler() = default;
};

// Shows the dialog modally over owner and returns once it has closed, with
// the result given to DialogWindow::end (-1 if the window could not be made).
// An exception thrown by the handler closes the dialog and is rethrown here,
// so that it never crosses the system's frames.
INT_PTR run_modal_dialog(HINSTANCE instance, HWND owner, const kav::gui::DialogLayout& layout,
                         DialogHandler& handler);
