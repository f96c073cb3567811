#include "picture_window.h"
#include "dialog_builder.h"

namespace {

constexpr UINT_PTR kWaitTimer = 1;

class PictureDialog final : public DialogHandler {
public:
    PictureDialog(HINSTANCE instance, const kav::gui::PictureWindow& window, int bitmap_id)
        : window_(window), bitmap_(static_cast<HBITMAP>(
                               LoadImageA(instance, MAKEINTRESOURCEA(bitmap_id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)))
    {
    }
    ~PictureDialog()
    {
        if (bitmap_ != nullptr) DeleteObject(bitmap_);
    }
    PictureDialog(const PictureDialog&) = delete;
    PictureDialog& operator=(const PictureDialog&) = delete;

    // The wait starts as the window appears. A timer rather than a sleep: the
    // window is drawn first (timer messages come after painting) and keeps
    // answering meanwhile, so a key or a click can end it at once. Waiting
    // for the activation instead would wait for ever where no window manager
    // activates an owned window.
    void on_init(DialogWindow& dialog) override
    {
        dialog_ = &dialog;
        SetTimer(dialog.hwnd(), kWaitTimer, static_cast<UINT>(window_.wait_ms), nullptr);
    }
    // Esc and Enter reach a window without controls as commands.
    void on_command(int, int) override
    {
        if (window_.closes_on_input) dialog_->end(0);
    }
    bool on_message(UINT msg, WPARAM wparam, LPARAM, INT_PTR&) override
    {
        switch (msg) {
        case WM_TIMER:
            if (wparam != kWaitTimer) return false;
            KillTimer(dialog_->hwnd(), kWaitTimer);
            dialog_->end(0);
            return true;
        case WM_KEYDOWN:
        case WM_CHAR:
        case WM_LBUTTONDOWN:
            if (!window_.closes_on_input) return false;
            dialog_->end(0);
            return true;
        case WM_PAINT:
            paint();
            return true;
        default:
            return false;
        }
    }

private:
    void paint()
    {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dialog_->hwnd(), &ps);
        if (bitmap_ != nullptr) {
            BITMAP info{};
            GetObject(bitmap_, sizeof info, &info);
            HDC memory = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(memory, bitmap_);
            const kav::gui::ControlRect& r = window_.picture;
            SetStretchBltMode(dc, HALFTONE);
            StretchBlt(dc, r.left, r.top, r.width, r.height, memory, 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
            SelectObject(memory, old);
            DeleteDC(memory);
        }
        EndPaint(dialog_->hwnd(), &ps);
    }

    const kav::gui::PictureWindow& window_;
    HBITMAP bitmap_;
    DialogWindow* dialog_ = nullptr;
};

} // namespace

void run_picture_window(HINSTANCE instance, HWND owner, const kav::gui::PictureWindow& window, int bitmap_id)
{
    PictureDialog dialog(instance, window, bitmap_id);
    const kav::gui::DialogLayout layout{window.caption, window.client_width, window.client_height, {}};
    run_modal_dialog(instance, owner, layout, dialog);
}
