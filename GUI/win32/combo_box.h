// The few things the windows do with a drop-down list, by text.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

void combo_add(HWND combo, std::string_view text);
// Shows the entry that equals text exactly (not one it merely begins).
void combo_show(HWND combo, std::string_view text);
void combo_show_at(HWND combo, size_t position);
// The shown entry's text; "" when none is shown.
std::string combo_shown(HWND combo);
