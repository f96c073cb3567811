// Loaded into the utility by a WH_GETMESSAGE hook of the GUI driver. Answers
// the driver's two registered messages on the utility's window thread; every
// other message passes untouched.
#include "probe_protocol.h"

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

void answer(const MSG& msg, bool with_menu)
{
    char name[64];
    kavgui::probe::shared_name(GetCurrentProcessId(), name);
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
    if (mapping == nullptr) return;
    if (auto* shared = static_cast<Shared*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0))) {
        if (with_menu) {
            std::string text;
            if (HMENU menu = GetMenu(msg.hwnd)) dump_menu(menu, "", text, 0);
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
    if (code == HC_ACTION && removal == PM_REMOVE) {
        const MSG& msg = *reinterpret_cast<const MSG*>(lparam);
        if (msg.message == menu_message || msg.message == ping_message) answer(msg, msg.message == menu_message);
    }
    return CallNextHookEx(nullptr, code, removal, lparam);
}
