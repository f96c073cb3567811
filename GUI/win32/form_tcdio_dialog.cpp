#include "form_tcdio_dialog.h"
#include "FormTCDio.h"

#include <string>

namespace {

using kav::gui::ControlRect;

// Control ids, for the buttons the dialog manager's own: Enter is OK, Esc is Cancel.
constexpr int kLabel1Id = 1000;
constexpr int kComboTCDioId = 1001;
constexpr int kCmdOKId = IDOK;
constexpr int kCmdCancelId = IDCANCEL;

class TCDioDialog final : public kav::gui::TCDioView {
public:
    TCDioDialog(HINSTANCE instance, kav::gui::Module1& module) : instance_(instance), form_(module, *this) {}

    void add_entry(std::string_view text) override
    {
        SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(text).c_str()));
    }
    void show_entry(size_t position) override { SendMessageA(combo_, CB_SETCURSEL, position, 0); }
    std::string shown_entry() const override
    {
        const LRESULT at = SendMessageA(combo_, CB_GETCURSEL, 0, 0);
        if (at == CB_ERR) return {};
        const LRESULT length = SendMessageA(combo_, CB_GETLBTEXTLEN, static_cast<WPARAM>(at), 0);
        if (length == CB_ERR) return {};
        std::string text(static_cast<size_t>(length) + 1, '\0');
        SendMessageA(combo_, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
        return text;
    }
    void close_window() override { EndDialog(hwnd_, 0); }

    static INT_PTR CALLBACK dialog_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
    {
        if (msg == WM_INITDIALOG) SetWindowLongPtrA(hwnd, DWLP_USER, lparam);
        auto* self = reinterpret_cast<TCDioDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        if (self == nullptr) return FALSE;
        switch (msg) {
        case WM_INITDIALOG:
            self->hwnd_ = hwnd;
            self->layout();
            self->form_.load();
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == kCmdOKId) self->form_.cmdOK_Click();
            if (LOWORD(wparam) == kCmdCancelId) self->form_.cmdCancel_Click(); // Esc and the close box too
            return TRUE;
        default:
            return FALSE;
        }
    }

private:
    HWND control(const char* cls, const std::string_view caption, DWORD style, const ControlRect& r, int id)
    {
        HWND h = CreateWindowExA(0, cls, std::string(caption).c_str(), WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                 r.width, r.height, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 instance_, nullptr);
        SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
        return h;
    }

    void layout()
    {
        // Client area in pixels, centred over the owner.
        RECT frame{0, 0, kav::gui::kFormTCDioClientWidth, kav::gui::kFormTCDioClientHeight};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(hwnd_, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrA(hwnd_, GWL_EXSTYLE)));
        const int w = frame.right - frame.left, h = frame.bottom - frame.top;
        RECT owner{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (HWND parent = GetWindow(hwnd_, GW_OWNER)) GetWindowRect(parent, &owner);
        SetWindowPos(hwnd_, nullptr, (owner.left + owner.right - w) / 2, (owner.top + owner.bottom - h) / 2, w, h,
                     SWP_NOZORDER);

        control("STATIC", kav::gui::kLabel1Caption, 0, kav::gui::kLabel1Rect, kLabel1Id);
        ControlRect combo = kav::gui::kComboTCDioRect;
        combo.height = 160; // the drop-down list's room; the closed box stays one line high
        combo_ = control("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, combo, kComboTCDioId);
        control("BUTTON", kav::gui::kCmdCancelCaption, BS_PUSHBUTTON | WS_TABSTOP, kav::gui::kCmdCancelRect,
                kCmdCancelId);
        control("BUTTON", kav::gui::kCmdOKCaption, BS_DEFPUSHBUTTON | WS_TABSTOP, kav::gui::kCmdOKRect, kCmdOKId);
        SetFocus(combo_);
    }

    HINSTANCE instance_;
    kav::gui::FormTCDio form_;
    HWND hwnd_ = nullptr;
    HWND combo_ = nullptr;
};

} // namespace

void run_form_tcdio(HINSTANCE instance, HWND owner, kav::gui::Module1& module)
{
    // An in-memory dialog template with no controls (they are made at
    // WM_INITDIALOG): header words, no menu, the standard class, the caption.
    alignas(4) WORD words[128] = {};
    size_t n = 0;
    const DWORD style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    words[n++] = LOWORD(style);
    words[n++] = HIWORD(style);
    n += 2; // extended style
    n += 1; // no items
    n += 4; // x, y, cx, cy: set at WM_INITDIALOG
    n += 2; // no menu, the standard dialog class
    for (char c : kav::gui::kFormTCDioCaption) words[n++] = static_cast<WORD>(static_cast<unsigned char>(c));
    words[n++] = 0;
    static_assert(kav::gui::kFormTCDioCaption.size() < 100);

    TCDioDialog dialog(instance, module);
    DialogBoxIndirectParamA(instance, reinterpret_cast<const DLGTEMPLATE*>(words), owner, TCDioDialog::dialog_proc,
                            reinterpret_cast<LPARAM>(&dialog));
}
