#include "dio_address_window.h"

namespace kav::gui {

FormTCDio::FormTCDio(ProgramState& state, TCDioView& view) : state_(state), view_(view) {}

void FormTCDio::load()
{
    for (const DioAddressEntry& entry : kDioAddressEntries) view_.add_entry(entry.text);
    for (size_t i = 0; i < kDioAddressEntries.size(); ++i)
        if (kDioAddressEntries[i].address == state_.DioBaseAddress) view_.show_entry(i);
}

void FormTCDio::cmdOK_Click()
{
    // The shown text decides, compared exactly; no match keeps the address.
    const std::string shown = view_.shown_entry();
    for (const DioAddressEntry& entry : kDioAddressEntries)
        if (entry.text == shown) state_.DioBaseAddress = entry.address;
    view_.close_window();
}

void FormTCDio::cmdCancel_Click() { view_.close_window(); }

} // namespace kav::gui
