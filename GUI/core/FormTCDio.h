// FormTCDio: picks DioBaseAddress for the thin-client and VOLX-8623 commands.
#pragma once
#include "Module1.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kav::gui {

struct DioAddressEntry {
    std::string_view text;
    int32_t address;
};

// ComboTCDio's entries in list order: the default first, then ascending.
inline constexpr std::array<DioAddressEntry, 5> kDioAddressEntries{{
    {"0x280", 0x280},
    {"0x200", 0x200},
    {"0x220", 0x220},
    {"0x240", 0x240},
    {"0x260", 0x260},
}};

// Layout, in pixels: left, top, width, height.
struct ControlRect {
    int left, top, width, height;
};
inline constexpr std::string_view kFormTCDioCaption = "Thin Client/VOLX-8623 DIO Address Setting";
inline constexpr int kFormTCDioClientWidth = 271;
inline constexpr int kFormTCDioClientHeight = 161;
inline constexpr std::string_view kLabel1Caption = "DIO Address";
inline constexpr ControlRect kLabel1Rect{8, 16, 89, 17};
inline constexpr ControlRect kComboTCDioRect{56, 40, 161, 22}; // drop-down list, no free text
inline constexpr std::string_view kCmdCancelCaption = "&Cancel";
inline constexpr ControlRect kCmdCancelRect{56, 88, 73, 41};
inline constexpr std::string_view kCmdOKCaption = "&OK";
inline constexpr ControlRect kCmdOKRect{144, 88, 73, 41};

class TCDioView {
public:
    // Appends an entry to ComboTCDio.
    virtual void add_entry(std::string_view text) = 0;
    // Makes the entry at this 0-based position the shown one.
    virtual void show_entry(size_t position) = 0;
    // The text of the shown entry ("" when none is shown).
    virtual std::string shown_entry() const = 0;
    // Closes the window; the main window's modal call then returns.
    virtual void close_window() = 0;

protected:
    TCDioView() = default;
    TCDioView(const TCDioView&) = default;
    TCDioView& operator=(const TCDioView&) = default;
    ~TCDioView() = default;
};

class FormTCDio {
public:
    FormTCDio(Module1& module, TCDioView& view);

    // Fills the list and shows the entry of the current DioBaseAddress.
    void load();

    // cmdOK: stores the shown entry's address, then closes.
    void cmdOK_Click();

    // cmdCancel, and the close box (the view may skip close_window there):
    // closes without storing.
    void cmdCancel_Click();

private:
    Module1& module_;
    TCDioView& view_;
};

} // namespace kav::gui
