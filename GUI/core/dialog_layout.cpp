#include "dialog_layout.h"

namespace kav::gui {
namespace {

std::string name_of(const ControlSpec& control)
{
    std::string name = "control " + std::to_string(control.id);
    if (!control.caption.empty()) name += " \"" + std::string(control.caption) + "\"";
    return name;
}

bool is_button(ControlKind kind) { return kind == ControlKind::Button || kind == ControlKind::DefaultButton; }

} // namespace

std::vector<std::string> layout_problems(const DialogLayout& layout)
{
    std::vector<std::string> problems;
    if (layout.client_width <= 0 || layout.client_height <= 0) problems.push_back("the client area has no size");

    bool focus_found = layout.focus == 0;
    for (size_t i = 0; i < layout.controls.size(); ++i) {
        const ControlSpec& control = layout.controls[i];
        const ControlRect& r = control.rect;
        if (r.width <= 0 || r.height <= 0) problems.push_back(name_of(control) + " has no size");
        if (r.left < 0 || r.top < 0 || r.right() > layout.client_width || r.bottom() > layout.client_height)
            problems.push_back(name_of(control) + " lies outside the client area");
        if (control.id <= 0) problems.push_back(name_of(control) + " has no id of its own");
        // Enter and Esc would press a control that cannot act on them.
        if ((control.id == kIdOk || control.id == kIdCancel) && !is_button(control.kind))
            problems.push_back(name_of(control) + " takes a button's id");
        for (size_t j = 0; j < i; ++j)
            if (layout.controls[j].id == control.id) problems.push_back(name_of(control) + " shares its id");
        if (control.id == layout.focus) focus_found = true;
    }
    if (!focus_found) problems.push_back("the focus names no control");
    return problems;
}

} // namespace kav::gui
