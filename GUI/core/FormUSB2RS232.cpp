#include "FormUSB2RS232.h"

#include "number_rules.h"

#include <cstring>

namespace kav::gui {
namespace {

constexpr size_t kListArea = 50;  // characters the library may fill, then a zero
constexpr size_t kTokenArea = 10; // one name of at most 9 characters and its zero

} // namespace

const char* adapter_failure(int32_t result)
{
    switch (result) {
    case -7: return "Registry Create Key Failed";
    case -8: return "Registry Query Info Key Failed";
    case -9: return "Registry Enum Key Failed";
    case -10: return "USB to COM Controller not found";
    default: return nullptr;
    }
}

std::vector<std::string> adapter_ports(const Library& library, int32_t& result)
{
    char list[kListArea + 1];
    std::memset(list, ' ', kListArea);
    list[kListArea] = '\0';
    result = library.EnumUsbToComNum(list);
    std::vector<std::string> ports;
    for (int32_t i = 1; i <= result; ++i) {
        char token[kTokenArea + 1];
        std::memset(token, ' ', kTokenArea);
        token[kTokenArea] = '\0';
        library.GetUsbToComToken(list, token);
        ports.emplace_back(token, strnlen(token, kTokenArea));
    }
    return ports;
}

int32_t UsbToComPorts::load(SerialDrawerView& view)
{
    int32_t found = 0;
    const std::vector<std::string> ports = adapter_ports(library_, found);
    if (found < 1) {
        if (const char* text = adapter_failure(found)) view.message(text, kTitleError);
        return found;
    }
    for (const std::string& entry : ports) {
        view.add_entry(1, entry);
        view.add_entry(2, entry);
    }
    view.show_entry(1, ports.front());
    view.show_entry(2, ports.back());
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
