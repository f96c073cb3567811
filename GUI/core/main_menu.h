// The main window's menu as data: its menu tree, its toolbar and its layout.
// The view builds the window from these tables; the logic is driven by Command.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

namespace kav::gui {

// Every menu command of the main window, named after its menu item. The values
// are the WM_COMMAND ids of the items, fixed so that another process can drive
// the window by them.
enum class Command : uint16_t {
    None = 0,

    exit = 100,

    // Action > DIO, one group of four per board
    AdvantechOpenCashDrawer = 200, AdvantechGetStatus, AdvantechOpenCashDrawer2, AdvantechGetStatus2,
    Open9613CashDrawer1 = 210, Get9613Status1, Open9613CashDrawer2, Get9613Status2,
    Open = 220, Status, Open9623Cash, Get9623Cashstatus,
    Open8613CashDrawer1 = 230, Bastra8613Status1, Open8613CashDrawer2, Bastra8613Status2,
    IEIOpen1 = 240, IEIStatus1, IEIOpen2, IEIStatus2,
    ThinClientOpen1 = 250, GetThinClientStatus1, ThinClientOpen2, GetThinClientStatus2,

    // Action > USB, drawers 1 to 8
    UsbOpenCashDrawer = 300, GetUsbCashDrawerStatus,
    UsbOpenCashDrawer2, GetUsbCashDrawerStatus2,
    UsbOpenCashDrawer3, GetUsbCashDrawerStatus3,
    UsbOpenCashDrawer4, GetUsbCashDrawerStatus4,
    UsbOpenCashDrawer5, GetUsbCashDrawerStatus5,
    UsbOpenCashDrawer6, GetUsbCashDrawerStatus6,
    UsbOpenCashDrawer7, GetUsbCashDrawerStatus7,
    UsbOpenCashDrawer8, GetUsbCashDrawerStatus8,

    RS232CashDrawerOpenStatus = 400,
    USB2RS232OpenStatus = 410,

    ThinClientDIOAddress = 500,
    Looptest = 510,

    About = 600,
};

// One item of the menu tree: a submenu (items not empty), a command, or a
// separator (caption "-"). An '&' in a caption marks the access key.
struct MenuEntry {
    std::string_view name;
    std::string_view caption;
    Command command = Command::None;
    std::span<const MenuEntry> items = {};

    constexpr bool is_separator() const { return caption == "-"; }
    constexpr bool is_submenu() const { return !items.empty(); }
};

inline constexpr std::string_view kSeparator = "-";

// The menu bar, left to right: File, Action, Settings, Help.
std::span<const MenuEntry> menu_bar();

// The command item for command, or null for Command::None and unknown values
// (a WM_COMMAND id that is not one of ours).
const MenuEntry* find_menu_item(Command command);

// One button of Toolbar1, in bar order. It has no caption; its icon is the
// 1-based position in the image list, and a click does what its menu item does.
struct ToolbarButton {
    int16_t index;
    std::string_view tool_tip;
    int icon;
    Command same_as;
};

std::span<const ToolbarButton> toolbar_buttons();

// Main window layout, in pixels.
inline constexpr std::string_view kFormCashCaption = "KAV Cash Drawer Utility";
inline constexpr int kFormCashClientWidth = 506;
inline constexpr int kFormCashClientHeight = 429;
inline constexpr int kToolbarButtonWidth = 39;
inline constexpr int kToolbarButtonHeight = 38;
inline constexpr int kToolbarIconSize = 32;
inline constexpr int kToolbarIconCount = 8;
// Image1, the banner directly under the toolbar; Image2..Image7 are the six
// terminal pictures below it, in two rows of three.
inline constexpr int kBannerWidth = 505;
inline constexpr int kBannerHeight = 73;

} // namespace kav::gui
