// The loop test's three picture windows: the running notice that OK shows,
// and the PASS and FAIL windows of a judged run. Each closes by itself after
// its wait; PASS and FAIL also on a key or a click.
#pragma once
#include "dialog_layout.h"

#include <string_view>

namespace kav::gui {

struct PictureWindow {
    std::string_view caption;
    int client_width;
    int client_height;
    // Where the picture is drawn, stretched; it may overhang the window.
    ControlRect picture;
    int wait_ms;
    bool closes_on_input;
};

inline constexpr PictureWindow kFrmRun{"Program Running", 349, 213, {0, 0, 349, 213}, 1000, false};
// The pictures are wider than the windows and overhang both sides alike.
inline constexpr PictureWindow kFrmShowPass{"PASS", 347, 215, {-62, 0, 471, 215}, 2000, true};
inline constexpr PictureWindow kFrmShowFail{"FAIL", 347, 213, {-62, 0, 471, 215}, 2000, true};

} // namespace kav::gui
