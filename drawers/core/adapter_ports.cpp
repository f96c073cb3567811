#include "adapter_ports.h"

#include "number_rules.h"

#include <cstring>

namespace kav::drawers {
namespace {

constexpr size_t kListArea = 50;  // characters the library may fill, then a zero
constexpr size_t kTokenArea = 10; // one name of at most 9 characters and its zero

} // namespace

AdapterPortList list_adapter_ports(const Library& library)
{
    char list[kListArea + 1];
    std::memset(list, ' ', kListArea);
    list[kListArea] = '\0';
    AdapterPortList ports;
    ports.result = library.EnumUsbToComNum(list);
    for (int32_t i = 1; i <= ports.result; ++i) {
        char token[kTokenArea + 1];
        std::memset(token, ' ', kTokenArea);
        token[kTokenArea] = '\0';
        library.GetUsbToComToken(list, token);
        ports.names.emplace_back(token, strnlen(token, kTokenArea));
    }
    return ports;
}

int adapter_port_number(const Library& library, const std::string& name)
{
    std::string text = name;
    text.push_back('\0');
    library.StringTrim(text.data(), "COM");
    return round_to_int32(leading_number(text.c_str())).value_or(0);
}

} // namespace kav::drawers
