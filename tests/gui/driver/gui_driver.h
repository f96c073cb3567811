// Drives the drawer utility from a second process, as a user would: its
// windows found by caption, menu items chosen by their caption path, toolbar
// buttons clicked by position, message boxes read back and dismissed, dialog
// controls set. Nothing depends on the utility's numeric ids.
#pragma once
#include "wine_test_support.h"

#include <windows.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kavgui {

inline constexpr const char* kMainCaption = "KAV Cash Drawer Utility";
using kavwine::kWaitMs;
using kavwine::wait_until;

// A message box as the user sees it.
struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::string title;
    std::string text;
    std::vector<std::string> buttons; // captions of the visible buttons
    bool has_icon = false;
};
void PrintTo(const MessageBoxInfo& box, std::ostream* os);
MessageBoxInfo read_message_box(HWND box);
// The box shows text under title with an OK button only and no icon, as the
// utility's messages do.
::testing::AssertionResult plain_box(const std::optional<MessageBoxInfo>& box, const std::string& text,
                                     const std::string& title);
// Clicks the box's one button and waits until the box is gone.
bool press_ok(const MessageBoxInfo& box, DWORD timeout_ms = kWaitMs);
// Clicks the box's button with this caption ("&Yes") and waits until the box is gone.
bool press_button(const MessageBoxInfo& box, const std::string& caption, DWORD timeout_ms = kWaitMs);

// Child controls, searched through every level below parent. An empty class
// or caption matches any.
HWND find_child(HWND parent, const std::string& class_name, const std::string& caption = "");
std::string window_text(HWND window);
bool click(HWND button); // BM_CLICK, posted: a click that opens a modal box must not block the driver
// A window's client size, then each direct child in creation order with its
// class, caption, style bits of the class and place in the client area:
// "client\tW x H\n" then "Class\t\"caption\"\tleft,top WxH\n" per child.
std::string layout_text(HWND window);

// A drop-down list's entries, the shown one, and choosing one as a user
// would (selection plus the CBN_SELCHANGE notification).
std::vector<std::string> combo_items(HWND combo);
// A list box's lines and its selected line (-1 for none).
std::vector<std::string> list_items(HWND list);
int list_selected(HWND list);
std::string combo_shown(HWND combo);
bool combo_choose(HWND combo, const std::string& entry);

// The kernel service "KAV_cash".
bool service_exists();
DWORD service_state(); // 0 when the service does not exist, kavwine::kServiceUnknown when unreadable
// Made stopped with the \SystemRoot\ image path, so that the utility's
// LoadService opens it and starts it (Wine cannot load the relative path).
DWORD prepare_stopped_service();
// Stopped and deleted if present; true once it is gone.
bool remove_service();

// A picture of the whole virtual screen, taken by the harness: the Linux path
// of the PNG, or "" if none was made.
std::string screenshot(const std::string& name);
// A copy of a file of the prefix in the artefact folder: the Linux path of the
// copy, or "" if none was made.
std::string keep_artifact(const std::string& windows_file, const std::string& name);

// The utility, started from a folder of its own with its own auto.ini.
class Utility {
public:
    Utility() = default;
    ~Utility(); // ends a process still running
    Utility(const Utility&) = delete;
    Utility& operator=(const Utility&) = delete;

    // Copies the utility (KAV_GUI_UTILITY) into C:\kav_gui\<folder>, writes
    // auto.ini there (none for nullopt), and starts it in that folder.
    bool start(const std::string& folder, const std::optional<std::string>& auto_ini, std::string* error);
    // A run of its own for the running test case: the KAV_cash service made
    // afresh and stopped, the utility started in a folder named after the
    // case with an empty auto.ini; its main window, or null with error set.
    HWND start_for_this_test(std::string* error);
    DWORD pid() const { return process_.dwProcessId; }
    bool running() const;
    bool wait_for_exit(DWORD timeout_ms = kWaitMs);
    void end();

    // A top-level window of the utility with this caption.
    HWND find_window(const std::string& caption) const;
    HWND wait_for_window(const std::string& caption, DWORD timeout_ms = kWaitMs) const;
    // The utility's message box, if one is open.
    std::optional<MessageBoxInfo> find_message_box() const;
    std::optional<MessageBoxInfo> wait_for_message_box(DWORD timeout_ms = kWaitMs) const;

    // window's menu as lines "caption\tcaption...\t<id>|popup|-".
    std::string menu_text(HWND window);
    // The toolbar as its own window reports it: button size, image count, and
    // each button's id, image and tool tip (probe_protocol.h has the format).
    std::string toolbar_text(HWND window);
    // A static control's underline and text colour (probe_protocol.h has the format).
    std::string text_look(HWND control);
    // Posts WM_COMMAND with the id of the item at this caption path.
    bool choose_menu(HWND window, const std::vector<std::string>& path, std::string* error);
    // Posts WM_COMMAND for the toolbar's index-th button (1-based, separators
    // not counted) to the toolbar's parent.
    bool click_toolbar_button(HWND window, int index, std::string* error);
    // Returns once the window's thread has taken every message posted to it
    // before this call: whatever a posted command shows exists by then.
    bool settle(HWND window, DWORD timeout_ms = kWaitMs);

private:
    bool ensure_probe(HWND window);
    bool probe_request(HWND window, const char* message, DWORD timeout_ms);

    PROCESS_INFORMATION process_{};
    HANDLE mapping_ = nullptr;
    void* shared_ = nullptr;
    HHOOK hook_ = nullptr;
};

} // namespace kavgui
