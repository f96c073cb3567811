#include "dialog_builder.h"

#include <exception>
#include <string>
#include <vector>

using kav::gui::ControlKind;
using kav::gui::ControlSpec;
using kav::gui::DialogLayout;
using kav::gui::FontSpec;

static_assert(kav::gui::kIdOk == IDOK && kav::gui::kIdCancel == IDCANCEL);
static_assert(kav::gui::kStyleMultiline == BS_MULTILINE && kav::gui::kStyleBorder == WS_BORDER &&
              kav::gui::kStyleNotify == SS_NOTIFY && kav::gui::kStyleNoWrap == SS_LEFTNOWORDWRAP);

namespace {

constexpr DWORD kDialogStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;

struct ControlClass {
    const char* name;
    DWORD style;
    DWORD ex_style;
};

ControlClass class_of(ControlKind kind)
{
    switch (kind) {
    case ControlKind::Label: return {"STATIC", SS_LEFT, 0};
    case ControlKind::Panel: return {"STATIC", SS_LEFT | SS_NOTIFY, 0};
    case ControlKind::Frame: return {"BUTTON", BS_GROUPBOX, 0};
    case ControlKind::Button: return {"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::DefaultButton: return {"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::DropDownList: return {"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
    case ControlKind::DropDown: return {"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 0};
    case ControlKind::TextBox: return {"EDIT", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case ControlKind::Picture: return {"STATIC", SS_BITMAP | SS_REALSIZECONTROL | SS_NOTIFY, 0};
    case ControlKind::ListBox:
        return {"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    }
    return {"STATIC", 0, 0};
}

// The fonts a dialog's controls use, made once and deleted after it closed.
class FontCache {
public:
    FontCache() = default;
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;
    ~FontCache()
    {
        for (const Entry& entry : made_) DeleteObject(entry.font);
    }

    HFONT font(HWND window, const FontSpec* wanted)
    {
        if (wanted == nullptr) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        for (const Entry& entry : made_)
            if (entry.wanted == wanted) return entry.font;
        HDC dc = GetDC(window);
        const int height = -MulDiv(wanted->points, GetDeviceCaps(dc, LOGPIXELSY), 72);
        ReleaseDC(window, dc);
        HFONT font = CreateFontA(height, 0, 0, 0, wanted->bold ? FW_BOLD : FW_NORMAL, FALSE, wanted->underline, FALSE,
                                 DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, std::string(wanted->face).c_str());
        if (font == nullptr) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        made_.push_back({wanted, font});
        return font;
    }

private:
    struct Entry {
        const FontSpec* wanted;
        HFONT font;
    };
    std::vector<Entry> made_;
};

// A header-only in-memory template: the controls are made at WM_INITDIALOG,
// in pixels, since a template's dialog units would scale with the font.
std::vector<WORD> dialog_template(std::string_view caption)
{
    std::vector<WORD> words;
    words.push_back(LOWORD(kDialogStyle));
    words.push_back(HIWORD(kDialogStyle));
    words.insert(words.end(), 2, 0); // extended style
    words.push_back(0);              // no items
    words.insert(words.end(), 4, 0); // x, y, cx, cy: set at WM_INITDIALOG
    words.insert(words.end(), 2, 0); // no menu, the standard dialog class
    for (char c : caption) words.push_back(static_cast<WORD>(static_cast<unsigned char>(c)));
    words.push_back(0);
    return words;
}

// The messages whose answer is the dialog procedure's return value itself,
// not DWLP_MSGRESULT.
bool answers_directly(UINT msg)
{
    return (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) || msg == WM_COMPAREITEM ||
           msg == WM_VKEYTOITEM || msg == WM_CHARTOITEM || msg == WM_QUERYDRAGICON;
}

} // namespace

// One modal run: the dialog procedure's state.
class DialogRun {
public:
    DialogRun(HINSTANCE instance, const DialogLayout& layout, DialogHandler& handler)
        : instance_(instance), layout_(layout), handler_(handler)
    {
    }

    static INT_PTR CALLBACK dialog_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
    {
        if (msg == WM_INITDIALOG) SetWindowLongPtrA(hwnd, DWLP_USER, lparam);
        auto* self = reinterpret_cast<DialogRun*>(GetWindowLongPtrA(hwnd, DWLP_USER));
        if (self == nullptr) return FALSE;
        if (msg == WM_INITDIALOG) self->window_.hwnd_ = hwnd;
        INT_PTR result = FALSE;
        try {
            result = self->handle(msg, wparam, lparam);
        } catch (...) {
            // Keep the first; the dialog closes and the caller rethrows it.
            if (!self->failure_) self->failure_ = std::current_exception();
            EndDialog(hwnd, -1);
            result = TRUE;
        }
        if (msg == WM_NCDESTROY) SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        return result;
    }

    void rethrow_failure() const
    {
        if (failure_) std::rethrow_exception(failure_);
    }

private:
    INT_PTR handle(UINT msg, WPARAM wparam, LPARAM lparam)
    {
        switch (msg) {
        case WM_INITDIALOG:
            place();
            make_controls();
            initialised_ = true;
            handler_.on_init(window_);
            if (layout_.focus == 0) return TRUE; // the first control that takes the focus
            SetFocus(window_.control(layout_.focus));
            return FALSE;
        case WM_COMMAND:
            handler_.on_command(LOWORD(wparam), HIWORD(wparam));
            return TRUE;
        case WM_DESTROY:
            handler_.on_destroy();
            return TRUE;
        default: {
            // Placing the window and making its controls send messages of
            // their own; the handler sees none before its on_init.
            if (!initialised_) return FALSE;
            INT_PTR result = 0;
            if (!handler_.on_message(msg, wparam, lparam, result)) return FALSE;
            SetWindowLongPtrA(window_.hwnd(), DWLP_MSGRESULT, result);
            if (answers_directly(msg)) return result;
            return TRUE;
        }
        }
    }

    // The client area at its size, centred over the owner (or the screen).
    void place()
    {
        const HWND hwnd = window_.hwnd();
        RECT frame{0, 0, layout_.client_width, layout_.client_height};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)));
        const int w = frame.right - frame.left, h = frame.bottom - frame.top;
        RECT owner{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (HWND parent = GetWindow(hwnd, GW_OWNER)) GetWindowRect(parent, &owner);
        // Not activated here: the dialog manager does that once it is set up.
        SetWindowPos(hwnd, nullptr, (owner.left + owner.right - w) / 2, (owner.top + owner.bottom - h) / 2, w, h,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (layout_.icon != 0) {
            HICON icon = LoadIconA(instance_, MAKEINTRESOURCEA(layout_.icon));
            SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
            SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        }
    }

    // Labels and painted areas go beneath the controls, as a form's
    // windowless labels do: where the layout lets them overlap a control,
    // the control shows whole. Among themselves, the one made first is on top.
    void make_controls()
    {
        for (const bool painted : {false, true})
            for (const ControlSpec& wanted : layout_.controls)
                if (is_painted(wanted.kind) == painted) make_control(wanted);
    }

    static bool is_painted(ControlKind kind)
    {
        return kind == ControlKind::Label || kind == ControlKind::Panel || kind == ControlKind::Picture;
    }

    void make_control(const ControlSpec& wanted)
    {
        const ControlClass cls = class_of(wanted.kind);
        const kav::gui::ControlRect& r = wanted.rect;
        const int height = wanted.list_height > 0 ? wanted.list_height : r.height;
        HWND control = CreateWindowExA(cls.ex_style, cls.name, std::string(wanted.caption).c_str(),
                                       WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | cls.style | wanted.style, r.left, r.top,
                                       r.width, height, window_.hwnd(),
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(wanted.id)), instance_, nullptr);
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.font(window_.hwnd(), wanted.font)), TRUE);
    }

    HINSTANCE instance_;
    const DialogLayout& layout_;
    DialogHandler& handler_;
    DialogWindow window_;
    FontCache fonts_;
    std::exception_ptr failure_;
    bool initialised_ = false; // on_init has been called
};

INT_PTR run_modal_dialog(HINSTANCE instance, HWND owner, const DialogLayout& layout, DialogHandler& handler)
{
    // DLGTEMPLATE must start on a DWORD boundary.
    const std::vector<WORD> words = dialog_template(layout.caption);
    std::vector<DWORD> aligned((words.size() + 1) / 2, 0);
    memcpy(aligned.data(), words.data(), words.size() * sizeof(WORD));

    DialogRun run(instance, layout, handler);
    const INT_PTR result = DialogBoxIndirectParamA(instance, reinterpret_cast<const DLGTEMPLATE*>(aligned.data()),
                                                   owner, DialogRun::dialog_proc, reinterpret_cast<LPARAM>(&run));
    run.rethrow_failure();
    return result;
}
