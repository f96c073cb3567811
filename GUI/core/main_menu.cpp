#include "main_menu.h"

namespace kav::gui {
namespace {

using C = Command;

// Every board submenu: open 1, status 1, a separator, open 2, status 2.
constexpr MenuEntry kAdvantech9842[] = {
    {"AdvantechOpenCashDrawer", "Open Cash Drawer &1", C::AdvantechOpenCashDrawer},
    {"AdvantechGetStatus", "&Status", C::AdvantechGetStatus},
    {"sepadvan", kSeparator},
    {"AdvantechOpenCashDrawer2", "Open Cash Drawer &2", C::AdvantechOpenCashDrawer2},
    {"AdvantechGetStatus2", "S&tatus", C::AdvantechGetStatus2},
};
constexpr MenuEntry kIEI9613[] = {
    {"Open9613CashDrawer1", "Open Cash Drawer &1", C::Open9613CashDrawer1},
    {"Get9613Status1", "&Status 1", C::Get9613Status1},
    {"seo9613", kSeparator},
    {"Open9613CashDrawer2", "Open Cash Drawer &2", C::Open9613CashDrawer2},
    {"Get9613Status2", "S&tatus 2", C::Get9613Status2},
};
constexpr MenuEntry kPortwell9623[] = {
    {"Open", "Open Cash Drawer &1", C::Open},
    {"Status", "&Status 1", C::Status},
    {"sep9623", kSeparator},
    {"Open9623Cash", "Open Cash Drawer &2", C::Open9623Cash},
    {"Get9623Cashstatus", "S&tatus 2", C::Get9623Cashstatus},
};
constexpr MenuEntry kBastra8613[] = {
    {"Open8613CashDrawer1", "Open Cash Drawer &1", C::Open8613CashDrawer1},
    {"Bastra8613Status1", "&Status 1", C::Bastra8613Status1},
    {"seplll", kSeparator},
    {"Open8613CashDrawer2", "Open Cash Drawer &2", C::Open8613CashDrawer2},
    {"Bastra8613Status2", "S&tatus 2", C::Bastra8613Status2},
};
constexpr MenuEntry kIEI8623[] = {
    {"IEIOpen1", "Open Cash Drawer &1", C::IEIOpen1},
    {"IEIStatus1", "&Status 1", C::IEIStatus1},
    {"sepbbb", kSeparator},
    {"IEIOpen2", "Open Cash Drawer &2", C::IEIOpen2},
    {"IEIStatus2", "S&tatus 2", C::IEIStatus2},
};
constexpr MenuEntry kThinClient[] = {
    {"ThinClientOpen1", "Open Cash Drawer &1", C::ThinClientOpen1},
    {"GetThinClientStatus1", "&Status 1", C::GetThinClientStatus1},
    {"seprrr", kSeparator},
    {"ThinClientOpen2", "Open Cash Drawer &2", C::ThinClientOpen2},
    {"GetThinClientStatus2", "S&tatus 2", C::GetThinClientStatus2},
};
constexpr MenuEntry kDio[] = {
    {"Advantech9842", "VOLX-9842", C::None, kAdvantech9842},
    {"IEI9613", "VOLX-9613", C::None, kIEI9613},
    {"Portwell9623", "VOLX-9623", C::None, kPortwell9623},
    {"Bastra8613", "VOLX-8613", C::None, kBastra8613},
    {"IEI8623", "VOLX-8623", C::None, kIEI8623},
    {"ThinClient", "Pellor (x86)", C::None, kThinClient},
};

// Drawer pairs 1..8, a separator between pairs; drawer 1's names carry no digit.
constexpr MenuEntry kUsb[] = {
    {"UsbOpenCashDrawer", "Open Cash Drawer &1", C::UsbOpenCashDrawer},
    {"GetUsbCashDrawerStatus", "Status &1", C::GetUsbCashDrawerStatus},
    {"sepusb1", kSeparator},
    {"UsbOpenCashDrawer2", "Open Cash Drawer &2", C::UsbOpenCashDrawer2},
    {"GetUsbCashDrawerStatus2", "Status &2", C::GetUsbCashDrawerStatus2},
    {"sepusb2", kSeparator},
    {"UsbOpenCashDrawer3", "Open Cash Drawer &3", C::UsbOpenCashDrawer3},
    {"GetUsbCashDrawerStatus3", "Status &3", C::GetUsbCashDrawerStatus3},
    {"sepusb3", kSeparator},
    {"UsbOpenCashDrawer4", "Open Cash Drawer &4", C::UsbOpenCashDrawer4},
    {"GetUsbCashDrawerStatus4", "Status &4", C::GetUsbCashDrawerStatus4},
    {"sepusb4", kSeparator},
    {"UsbOpenCashDrawer5", "Open Cash Drawer &5", C::UsbOpenCashDrawer5},
    {"GetUsbCashDrawerStatus5", "Status &5", C::GetUsbCashDrawerStatus5},
    {"sepusb5", kSeparator},
    {"UsbOpenCashDrawer6", "Open Cash Drawer &6", C::UsbOpenCashDrawer6},
    {"GetUsbCashDrawerStatus6", "Status &6", C::GetUsbCashDrawerStatus6},
    {"sepusb6", kSeparator},
    {"UsbOpenCashDrawer7", "Open Cash Drawer &7", C::UsbOpenCashDrawer7},
    {"GetUsbCashDrawerStatus7", "Status &7", C::GetUsbCashDrawerStatus7},
    {"sepusb7", kSeparator},
    {"UsbOpenCashDrawer8", "Open Cash Drawer &8", C::UsbOpenCashDrawer8},
    {"GetUsbCashDrawerStatus8", "Status &8", C::GetUsbCashDrawerStatus8},
};
constexpr MenuEntry kRS232[] = {
    {"RS232CashDrawerOpenStatus", "&Open and Status", C::RS232CashDrawerOpenStatus},
};
constexpr MenuEntry kUSB2RS232[] = {
    {"USB2RS232OpenStatus", "&Open and Status", C::USB2RS232OpenStatus},
};

constexpr MenuEntry kFile[] = {
    {"exit", "&exit", C::exit},
};
constexpr MenuEntry kAction[] = {
    {"DIO", "&DIO", C::None, kDio},
    {"UsbCashDraweraaa", "&USB ", C::None, kUsb},
    {"RS232", "&RS232", C::None, kRS232},
    {"USB2RS232", "USB to R&S232", C::None, kUSB2RS232},
};
constexpr MenuEntry kSettings[] = {
    {"ThinClientDIOAddress", "Thin Client/VOLX-8623 DIO &Address", C::ThinClientDIOAddress},
    {"Looptest", "&Loop Test", C::Looptest},
};
constexpr MenuEntry kHelp[] = {
    {"About", "&About", C::About},
};

constexpr MenuEntry kMenuBar[] = {
    {"File", "&File", C::None, kFile},
    {"Action", "&Action", C::None, kAction},
    {"Settings", "&Settings", C::None, kSettings},
    {"Help", "&Help", C::None, kHelp},
};

constexpr ToolbarButton kToolbar[] = {
    {1, "Open Cash Drawer 1 for VOLX-9623", 1, C::Open},
    {2, "Open Cash Drawer 2 for VOLX-9623", 2, C::Open9623Cash},
    {3, "Open Cash Drawer 1 for VOLX-9842", 3, C::AdvantechOpenCashDrawer},
    {4, "Open Cash Drawer 2 for VOLX-9842", 4, C::AdvantechOpenCashDrawer2},
    {5, "Open Cash Drawer 1 for Thin Client(x86)", 7, C::ThinClientOpen1},
    {6, "Open Cash Drawer 2 for Thin Client(x86)", 8, C::ThinClientOpen2},
    {7, "Open USB Cash Drawer 1", 5, C::UsbOpenCashDrawer},
    {8, "Open USB Cash Drawer 2", 6, C::UsbOpenCashDrawer2},
};

const MenuEntry* find_in(std::span<const MenuEntry> entries, Command command)
{
    for (const MenuEntry& entry : entries) {
        if (entry.is_submenu()) {
            if (const MenuEntry* found = find_in(entry.items, command)) return found;
        } else if (entry.command == command) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace

std::span<const MenuEntry> menu_bar() { return kMenuBar; }

const MenuEntry* find_menu_item(Command command)
{
    if (command == Command::None) return nullptr;
    return find_in(kMenuBar, command);
}

std::span<const ToolbarButton> toolbar_buttons() { return kToolbar; }

} // namespace kav::gui
