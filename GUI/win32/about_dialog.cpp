#include "about_dialog.h"
#include "about_window.h"
#include "dialog_builder.h"
#include "resource_ids.h"

#include <string>

namespace {

// The link's font, plain and underlined: "MS Sans Serif" at 8.25 points.
HFONT link_font(HWND window, bool underlined)
{
    HDC dc = GetDC(window);
    const int height = -MulDiv(825, GetDeviceCaps(dc, LOGPIXELSY), 7200);
    ReleaseDC(window, dc);
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, underlined, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
}

class AboutDialog final : public kav::gui::AboutView, public DialogHandler {
public:
    AboutDialog(HINSTANCE instance, const kav::gui::ProgramState& state) : instance_(instance), form_(state, *this) {}
    ~AboutDialog()
    {
        for (HGDIOBJ object : {static_cast<HGDIOBJ>(plain_), static_cast<HGDIOBJ>(underlined_),
                               static_cast<HGDIOBJ>(picture_)})
            if (object != nullptr) DeleteObject(object);
    }
    AboutDialog(const AboutDialog&) = delete;
    AboutDialog& operator=(const AboutDialog&) = delete;

    void show_link(const kav::gui::LinkLook& look) override
    {
        look_ = look;
        SendMessageA(link(), WM_SETFONT, reinterpret_cast<WPARAM>(look.underlined ? underlined_ : plain_), TRUE);
        InvalidateRect(link(), nullptr, TRUE);
    }
    bool start_maximised(const std::string& command_line) override
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWMAXIMIZED; // maximised, with the focus
        PROCESS_INFORMATION process{};
        // The browser's path has blanks and comes unquoted, before the one
        // blank and the address: name the program itself, so that a
        // C:\Program.exe could never be taken for it.
        const size_t blank = command_line.rfind(' ');
        if (blank == std::string::npos) return false;
        const std::string program = command_line.substr(0, blank);
        std::string line = "\"" + program + "\"" + command_line.substr(blank); // CreateProcessA may write into it
        if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process))
            return false;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return true;
    }
    void message(const std::string& text, const std::string& title) override
    {
        MessageBoxA(dialog_->hwnd(), text.c_str(), title.c_str(), MB_OK);
    }
    void close_window() override { dialog_->end(0); }

    void on_init(DialogWindow& dialog) override
    {
        dialog_ = &dialog;
        plain_ = link_font(dialog.hwnd(), false);
        underlined_ = link_font(dialog.hwnd(), true);
        picture_ = static_cast<HBITMAP>(
            LoadImageA(instance_, MAKEINTRESOURCEA(IDB_PRODUCT), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        SendMessageA(dialog.control(kav::gui::kAboutImage1Id), STM_SETIMAGE, IMAGE_BITMAP,
                     reinterpret_cast<LPARAM>(picture_));
        show_link(form_.link());
    }
    void on_command(int id, int notification) override
    {
        if (id == kav::gui::kIdOk || id == kav::gui::kIdCancel) form_.Command1_Click(); // the close box too
        if (id == kav::gui::kLabhyperlinkId && notification == STN_CLICKED) form_.labhyperlink_Click();
    }
    bool on_message(UINT msg, WPARAM wparam, LPARAM lparam, INT_PTR& result) override
    {
        switch (msg) {
        case WM_ACTIVATE:
            if (LOWORD(wparam) != WA_INACTIVE) form_.Form_Activate();
            return false;
        case WM_SETCURSOR: {
            // Asked of the window under the mouse at every move: the link, the
            // bare background (labels take the mouse, so they are neither), or
            // another control, which changes nothing.
            const auto under = reinterpret_cast<HWND>(wparam);
            if (under == link()) form_.labhyperlink_MouseMove();
            else if (under == dialog_->hwnd()) form_.Form_MouseMove();
            return false;
        }
        case WM_CTLCOLORSTATIC: {
            if (reinterpret_cast<HWND>(lparam) != link()) return false;
            const auto dc = reinterpret_cast<HDC>(wparam);
            SetTextColor(dc, look_.blue ? RGB(0, 0, 255) : RGB(0, 0, 0));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            result = reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
            return true;
        }
        default:
            return false;
        }
    }

private:
    HWND link() const { return dialog_->control(kav::gui::kLabhyperlinkId); }

    HINSTANCE instance_;
    kav::gui::FormAbout form_;
    DialogWindow* dialog_ = nullptr;
    kav::gui::LinkLook look_{false, false};
    HFONT plain_ = nullptr;
    HFONT underlined_ = nullptr;
    HBITMAP picture_ = nullptr;
};

} // namespace

void run_form_about(HINSTANCE instance, HWND owner, const kav::gui::ProgramState& state)
{
    AboutDialog dialog(instance, state);
    kav::gui::DialogLayout layout = kav::gui::form_about_layout();
    layout.icon = IDI_PROGRAM;
    run_modal_dialog(instance, owner, layout, dialog);
}
