#include "dialog_layout.h"

#include "about_window.h"
#include "loop_test_window.h"
#include "adapter_port_source.h"
#include "dio_address_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kav::gui {
namespace {

// Every secondary window's table: a fault here shows as a control off the
// window, one the tests and the view cannot find, or Enter pressing a label.
TEST(DialogLayout, EveryWindowsTableIsSound)
{
    const DialogLayout about = form_about_layout();
    const DialogLayout* layouts[] = {&kFormTCDioLayout, &kFormRS232Layout, &kFormUSB2RS232Layout, &kFormSettingLayout,
                                     &about};
    for (const DialogLayout* layout : layouts)
        EXPECT_EQ(layout_problems(*layout), std::vector<std::string>{}) << layout->caption;
}

TEST(DialogLayout, NamesEachFault)
{
    struct Case {
        const char* what;
        std::vector<ControlSpec> controls;
        int focus;
        std::vector<std::string> problems;
    };
    const Case cases[] = {
        {"sound", {{ControlKind::Label, "a", 10, {0, 0, 100, 50}}, {ControlKind::Button, "&OK", kIdOk, {0, 50, 100, 50}}},
         kIdOk, {}},
        {"past the right and bottom edges", {{ControlKind::Label, "a", 10, {1, 1, 100, 100}}}, 0,
         {"control 10 \"a\" lies outside the client area"}},
        {"left of the window", {{ControlKind::TextBox, "", 11, {-1, 0, 10, 10}}}, 0,
         {"control 11 lies outside the client area"}},
        {"no size", {{ControlKind::Label, "a", 10, {0, 0, 0, 10}}}, 0, {"control 10 \"a\" has no size"}},
        {"shared id",
         {{ControlKind::Label, "a", 10, {0, 0, 10, 10}}, {ControlKind::Label, "b", 10, {0, 20, 10, 10}}},
         0, {"control 10 \"b\" shares its id"}},
        {"no id", {{ControlKind::Label, "a", 0, {0, 0, 10, 10}}}, 0, {"control 0 \"a\" has no id of its own"}},
        {"Esc on a list", {{ControlKind::ListBox, "", kIdCancel, {0, 0, 10, 10}}}, 0,
         {"control 2 takes a button's id"}},
        {"focus on nothing", {{ControlKind::Label, "a", 10, {0, 0, 10, 10}}}, 12, {"the focus names no control"}},
    };
    for (const Case& c : cases) {
        const DialogLayout layout{"caption", 100, 100, c.controls, c.focus};
        EXPECT_EQ(layout_problems(layout), c.problems) << c.what;
    }
    EXPECT_EQ(layout_problems(DialogLayout{"caption", 0, 10, {}}), std::vector<std::string>{"the client area has no size"});
}

} // namespace
} // namespace kav::gui
