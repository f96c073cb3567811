#include "sim_config.h"

namespace kav::sim {
namespace {

bool separator(char c) { return c == ',' || c == ' ' || c == '\t'; }

bool listed(const SerialPortList& list, uint32_t number)
{
    for (int i = 0; i < list.count; ++i) {
        if (list.numbers[i] == number) return true;
    }
    return false;
}

} // namespace

bool parse_port_list(const char* text, SerialPortList& list)
{
    list = SerialPortList{};
    if (text == nullptr) return true;
    SerialPortList parsed;
    const char* p = text;
    while (*p != '\0') {
        if (separator(*p)) {
            ++p;
            continue;
        }
        if (*p < '0' || *p > '9') return false;
        uint32_t number = 0;
        while (*p >= '0' && *p <= '9') {
            number = number * 10 + static_cast<uint32_t>(*p - '0');
            if (number > kMaxPortNumber) return false;
            ++p;
        }
        if (*p != '\0' && !separator(*p)) return false;
        if (number == 0) return false;
        if (listed(parsed, number)) continue;
        if (parsed.count == kMaxSerialPorts) return false;
        parsed.numbers[parsed.count++] = static_cast<uint16_t>(number);
    }
    list = parsed;
    return true;
}

void add_ports(SerialPortList& into, const SerialPortList& more)
{
    for (int i = 0; i < more.count && into.count < kMaxSerialPorts; ++i) {
        if (!listed(into, more.numbers[i])) into.numbers[into.count++] = more.numbers[i];
    }
}

bool parse_hid_devices(const char* text, HidDeviceList& list)
{
    list = HidDeviceList{};
    if (text == nullptr) return true;
    HidDeviceList parsed;
    for (const char* p = text; *p != '\0'; ++p) {
        if (separator(*p)) continue;
        HidKind kind;
        if (*p == 'd' || *p == 'D') kind = HidKind::Drawer;
        else if (*p == 'o' || *p == 'O') kind = HidKind::Other;
        else return false;
        if (parsed.count == kMaxHidDevices) return false;
        parsed.kinds[parsed.count++] = kind;
    }
    list = parsed;
    return true;
}

} // namespace kav::sim
