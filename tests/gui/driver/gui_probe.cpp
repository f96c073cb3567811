// Loaded into the utility by a WH_GETMESSAGE hook of the GUI driver. Answers
// the driver's registered messages on the utility's window thread; every
// other message passes untouched.
#include "probe_protocol.h"

#include <commctrl.h>

#include <string>

namespace {

using kavgui::probe::Shared;

void dump_menu(HMENU menu, const std::string& path, std::string& out, int depth)
{
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count && depth < 8; ++i) {
        char caption[256] = "";
        GetMenuStringA(menu, static_cast<UINT>(i), caption, sizeof caption, MF_BYPOSITION);
        const std::string item = path + caption + kavgui::probe::kFieldSeparator;
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (HMENU sub = GetSubMenu(menu, i)) {
            out += item + "popup\n";
            dump_menu(sub, item, out, depth + 1);
        } else if (state != UINT(-1) && (state & MF_SEPARATOR)) {
            out += item + "-\n";
        } else {
            out += item + std::to_string(GetMenuItemID(menu, i)) + "\n";
        }
    }
}

// Asks the window for each button's tip exactly as the tool tip control does.
void dump_toolbar(HWND window, std::string& out)
{
    HWND toolbar = FindWindowExA(window, nullptr, TOOLBARCLASSNAMEA, nullptr);
    if (toolbar == nullptr) return;
    const DWORD size = static_cast<DWORD>(SendMessageA(toolbar, TB_GETBUTTONSIZE, 0, 0));
    const auto images = reinterpret_cast<HIMAGELIST>(SendMessageA(toolbar, TB_GETIMAGELIST, 0, 0));
    out += "size\t" + std::to_string(LOWORD(size)) + "x" + std::to_string(HIWORD(size)) + "\ticons\t" +
           std::to_string(images ? ImageList_GetImageCount(images) : 0) + "\n";
    const int count = static_cast<int>(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        SendMessageA(toolbar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button));
        NMTTDISPINFOA info{};
        info.hdr.hwndFrom = reinterpret_cast<HWND>(SendMessageA(toolbar, TB_GETTOOLTIPS, 0, 0));
        info.hdr.idFrom = static_cast<UINT_PTR>(button.idCommand);
        info.hdr.code = TTN_GETDISPINFOA;
        SendMessageA(window, WM_NOTIFY, static_cast<WPARAM>(button.idCommand), reinterpret_cast<LPARAM>(&info));
        const char* tip = info.lpszText != nullptr ? info.lpszText : info.szText;
        out += std::to_string(button.idCommand) + "\t" + std::to_string(button.iBitmap) + "\t" + tip + "\n";
    }
}

// The control's font and the text colour its parent gives it, asked the way
// the control itself asks when it paints.
void dump_text_look(HWND control, std::string& out)
{
    LOGFONTA font{};
    const auto handle = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    if (handle != nullptr) GetObjectA(handle, sizeof font, &font);
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3)); // a colour no window chooses: unchanged means not set
    SendMessageA(GetParent(control), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
    const COLORREF colour = GetTextColor(dc);
    DeleteDC(dc);
    out += "underline\t" + std::to_string(font.lfUnderline ? 1 : 0) + "\tcolour\t" + std::to_string(GetRValue(colour)) +
           "," + std::to_string(GetGValue(colour)) + "," + std::to_string(GetBValue(colour));
}

enum class Request { kPing, kMenu, kToolbar, kTextLook };

void answer(HWND window, Request request)
{
    char name[64];
    kavgui::probe::shared_name(GetCurrentProcessId(), name);
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
    if (mapping == nullptr) return;
    if (auto* shared = static_cast<Shared*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0))) {
        if (request != Request::kPing) {
            std::string text;
            if (request == Request::kMenu) {
                if (HMENU menu = GetMenu(window)) dump_menu(menu, "", text, 0);
            } else if (request == Request::kToolbar) {
                dump_toolbar(window, text);
            } else {
                dump_text_look(window, text);
            }
            const size_t n = text.size() < sizeof shared->text - 1 ? text.size() : sizeof shared->text - 1;
            text.copy(shared->text, n);
            shared->text[n] = '\0';
        }
        InterlockedIncrement(&shared->answered);
        UnmapViewOfFile(shared);
    }
    CloseHandle(mapping);
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK kav_gui_probe_hook(int code, WPARAM removal, LPARAM lparam)
{
    static const UINT menu_message = RegisterWindowMessageA(kavgui::probe::kMenuMessage);
    static const UINT ping_message = RegisterWindowMessageA(kavgui::probe::kPingMessage);
    static const UINT toolbar_message = RegisterWindowMessageA(kavgui::probe::kToolbarMessage);
    static const UINT text_look_message = RegisterWindowMessageA(kavgui::probe::kTextLookMessage);
    if (code == HC_ACTION && removal == PM_REMOVE) {
        const MSG& msg = *reinterpret_cast<const MSG*>(lparam);
        if (msg.message == ping_message) answer(msg.hwnd, Request::kPing);
        if (msg.message == menu_message) answer(msg.hwnd, Request::kMenu);
        if (msg.message == toolbar_message) answer(msg.hwnd, Request::kToolbar);
        if (msg.message == text_look_message) answer(msg.hwnd, Request::kTextLook);
    }
    return CallNextHookEx(nullptr, code, removal, lparam);
}
