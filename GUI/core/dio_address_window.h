// FormTCDio: picks DioBaseAddress for the thin-client and VOLX-8623 commands.
#pragma once
#include "program_state.h"
#include "dialog_layout.h"

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

inline constexpr int kLabel1Id = 1000;
inline constexpr int kComboTCDioId = 1001;

inline constexpr ControlSpec kFormTCDioControls[] = {
    {ControlKind::Label, "DIO Address", kLabel1Id, {8, 16, 89, 17}},
    // A drop-down list, no free text; its list opens to 160 pixels.
    {ControlKind::DropDownList, "", kComboTCDioId, {56, 40, 161, 22}, 0, 160},
    {ControlKind::Button, "&Cancel", kIdCancel, {56, 88, 73, 41}},
    {ControlKind::DefaultButton, "&OK", kIdOk, {144, 88, 73, 41}},
};

inline constexpr DialogLayout kFormTCDioLayout{
    "Thin Client/VOLX-8623 DIO Address Setting", 271, 161, kFormTCDioControls, kComboTCDioId};

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
    FormTCDio(ProgramState& state, TCDioView& view);

    // Fills the list and shows the entry of the current DioBaseAddress.
    void load();

    // cmdOK: stores the shown entry's address, then closes.
    void cmdOK_Click();

    // cmdCancel, and the close box (the view may skip close_window there):
    // closes without storing.
    void cmdCancel_Click();

private:
    ProgramState& state_;
    TCDioView& view_;
};

} // namespace kav::gui
