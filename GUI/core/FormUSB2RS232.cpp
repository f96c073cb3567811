#include "FormUSB2RS232.h"

#include "number_rules.h"

#include <cstring>

namespace kav::gui {
namespace {

constexpr size_t kListArea = 50;  // characters the library may fill, then a zero
constexpr size_t kTokenArea = 10; // one name of at most 9 characters and its zero

const char* enum_failure(int32_t code)
{
    switch (code) {
    case -7: return "Registry Create Key Failed";
    case -8: return "Registry Query Info Key Failed";
    case -9: return "Registry Enum Key Failed";
    case -10: return "USB to COM Controller not found";
    default: return nullptr;
    }
}

} // namespace

int32_t UsbToComPorts::load(SerialDrawerView& view)
{
    char list[kListArea + 1];
    std::memset(list, ' ', kListArea);
    list[kListArea] = '\0';
    const int32_t found = library_.EnumUsbToComNum(list);
    if (found < 1) {
        if (const char* text = enum_failure(found)) view.message(text, kTitleError);
        return found;
    }
    for (int32_t i = 1; i <= found; ++i) {
        char token[kTokenArea + 1];
        std::memset(token, ' ', kTokenArea);
        token[kTokenArea] = '\0';
        library_.GetUsbToComToken(list, token);
        const std::string entry(token, strnlen(token, kTokenArea));
        view.add_entry(1, entry);
        view.add_entry(2, entry);
        if (i == 1) view.show_entry(1, entry);
        if (i == found) view.show_entry(2, entry);
    }
    return found;
}

int UsbToComPorts::port_number(const std::string& entry)
{
    std::string text = entry;
    text.push_back('\0');
    library_.StringTrim(text.data(), "COM");
    return round_to_int32(leading_number(text.c_str())).value_or(0);
}

} // namespace kav::gui
