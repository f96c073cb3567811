// The COM ports of attached USB-to-RS232 adapters, as the library lists them
// (EnumUsbToComNum, then one GetUsbToComToken per port), and the port number
// a listed name stands for.
#pragma once
#include "library.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kav::drawers {

struct AdapterPortList {
    // EnumUsbToComNum's result: the number of ports, or -7..-10.
    int32_t result = 0;
    // The names in the library's order ("COM9", "COM4"); empty on failure.
    std::vector<std::string> names;
};

// The list area (50 blanks) and each token area (10 blanks) as the library
// expects them; nothing is read past either.
AdapterPortList list_adapter_ports(const Library& library);

// StringTrim(name, "COM"), then the rest read as a whole number (COM12
// gives 12); 0 when it names no number.
int adapter_port_number(const Library& library, const std::string& name);

} // namespace kav::drawers
