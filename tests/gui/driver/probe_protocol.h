// What the GUI driver and the probe DLL inside the utility agree on. Wine keeps
// a menu's items in the process that made it (another process's GetMenuString
// fails), so the menu is read by a hook running on the utility's own window
// thread; the same hook answers pings, which tell the driver that every
// message posted before the ping has been taken from the queue.
#pragma once
#include <windows.h>

#include <cstdio>

namespace kavgui::probe {

inline constexpr const char* kMenuMessage = "kav_gui_probe_menu";
inline constexpr const char* kPingMessage = "kav_gui_probe_ping";
inline constexpr const char* kToolbarMessage = "kav_gui_probe_toolbar";
inline constexpr const char* kTextLookMessage = "kav_gui_probe_text_look";
inline constexpr const char* kHookExport = "kav_gui_probe_hook";
inline constexpr DWORD kSharedSize = 64 * 1024;

// Named shared memory per utility process: the driver makes it, the hook
// writes it and then counts up answered.
struct Shared {
    volatile LONG answered;
    char text[kSharedSize - sizeof(LONG)];
};

inline void shared_name(DWORD pid, char (&name)[64])
{
    std::snprintf(name, sizeof name, "Local\\kav_gui_probe_%lu", static_cast<unsigned long>(pid));
}

// Toolbar text: "size\t<width>x<height>\ticons\t<count>", then one line per
// button, "<id>\t<image>\t<tool tip>", the tip as the window's own
// TTN_GETDISPINFO handler gives it.
// Text look of a static control, posted to the control itself:
// "underline\t<0|1>\tcolour\t<r>,<g>,<b>", the colour as its parent's
// WM_CTLCOLORSTATIC sets it.
// Menu text: one line per item, "caption\tcaption...\t<id>" for a command,
// "...\tpopup" for a submenu, "...\t-" for a separator (its caption empty).
inline constexpr char kFieldSeparator = '\t';

} // namespace kavgui::probe
