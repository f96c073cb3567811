#include "combo_box.h"

void combo_add(HWND combo, std::string_view text)
{
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(text).c_str()));
}

void combo_show(HWND combo, std::string_view text)
{
    const LRESULT at = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(std::string(text).c_str()));
    if (at != CB_ERR) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
}

void combo_show_at(HWND combo, size_t position) { SendMessageA(combo, CB_SETCURSEL, position, 0); }

std::string combo_shown(HWND combo)
{
    const LRESULT at = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (at == CB_ERR) return {};
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(at), 0);
    if (length == CB_ERR) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}
