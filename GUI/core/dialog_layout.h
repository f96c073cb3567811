// A secondary window's layout as data: its caption, client size and a table of
// controls in pixels of the client area. The Win32 view makes the window from
// it; the tests check it without one.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kav::gui {

// Left, top, width, height, in pixels of the client area.
struct ControlRect {
    int left, top, width, height;

    constexpr int right() const { return left + width; }
    constexpr int bottom() const { return top + height; }
};

enum class ControlKind {
    Label,        // static text
    Panel,        // a plain area the window paints or colours itself
    Frame,        // a group box with its caption
    Button,       // push button
    DefaultButton, // push button that Enter presses
    DropDownList, // combo box whose entries are the only choices
    DropDown,     // combo box that also takes typed text
    TextBox,      // one-line edit box
    ListBox,
    Picture,      // a bitmap the view sets
};

// A font by face and size in points; the kinds' default is the system's GUI font.
struct FontSpec {
    std::string_view face;
    int points = 0;
    bool bold = false;
    bool underline = false;
};

// The dialog manager's own ids: Enter presses kIdOk, Esc and the close box kIdCancel.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// Style bits the tables use, by their system values.
inline constexpr uint32_t kStyleMultiline = 0x2000;  // BS_MULTILINE: a button's caption wraps
inline constexpr uint32_t kStyleBorder = 0x00800000; // WS_BORDER: a thin outline
inline constexpr uint32_t kStyleNotify = 0x0100;     // SS_NOTIFY: a label that takes the mouse
inline constexpr uint32_t kStyleNoWrap = 0x000C;     // SS_LEFTNOWORDWRAP: a label on one line

struct ControlSpec {
    ControlKind kind;
    std::string_view caption;
    int id;
    ControlRect rect;
    // Extra window style bits of the control's class, beyond the kind's own.
    uint32_t style = 0;
    // Combo boxes: the height of the box with its list open; the closed box
    // keeps the height its font gives it.
    int list_height = 0;
    const FontSpec* font = nullptr;
};

struct DialogLayout {
    std::string_view caption;
    int client_width;
    int client_height;
    std::span<const ControlSpec> controls;
    // The control that has the focus when the window opens; 0: the first that takes it.
    int focus = 0;
    // A resource id of the window's icon; 0: none.
    int icon = 0;
};

// What is wrong with a layout, one line each; empty when nothing is: a
// control outside the client area or of no size, an id used twice or taken
// from the dialog manager by a control that is no button, a focus on no control.
std::vector<std::string> layout_problems(const DialogLayout& layout);

} // namespace kav::gui
