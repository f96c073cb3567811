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

bool listed(const PrinterList& list, uint32_t number)
{
    for (int i = 0; i < list.count; ++i) {
        if (list.printers[i].number == number) return true;
    }
    return false;
}

// Decimal digits at p, moved past; false for none, for 0 or above limit.
bool read_number(const char*& p, uint32_t limit, uint32_t& number)
{
    if (*p < '0' || *p > '9') return false;
    number = 0;
    while (*p >= '0' && *p <= '9') {
        number = number * 10 + static_cast<uint32_t>(*p - '0');
        if (number > limit) return false;
        ++p;
    }
    return number != 0;
}

// The word at p, moved past it.
bool take_word(const char*& p, const char* word)
{
    const char* at = p;
    for (; *word != '\0'; ++word, ++at) {
        if (*at != *word) return false;
    }
    p = at;
    return true;
}

constexpr uint32_t kMaxPrinterBaud = 115200;

// Entries apart by blanks or commas (none: text is null or empty), each read
// by read_entry, which moves p past it; false at the first one it refuses or
// that runs into anything but a separator.
template <typename ReadEntry>
bool for_each_entry(const char* text, ReadEntry read_entry)
{
    if (text == nullptr) return true;
    for (const char* p = text; *p != '\0';) {
        if (separator(*p)) {
            ++p;
            continue;
        }
        if (!read_entry(p)) return false;
        if (*p != '\0' && !separator(*p)) return false;
    }
    return true;
}

} // namespace

bool parse_port_list(const char* text, SerialPortList& list)
{
    list = SerialPortList{};
    SerialPortList parsed;
    const bool good = for_each_entry(text, [&](const char*& p) {
        uint32_t number = 0;
        if (!read_number(p, kMaxPortNumber, number)) return false;
        if (listed(parsed, number)) return true;
        if (parsed.count == kMaxSerialPorts) return false;
        parsed.numbers[parsed.count++] = static_cast<uint16_t>(number);
        return true;
    });
    if (good) list = parsed;
    return good;
}

void add_ports(SerialPortList& into, const SerialPortList& more)
{
    for (int i = 0; i < more.count && into.count < kMaxSerialPorts; ++i) {
        if (!listed(into, more.numbers[i])) into.numbers[into.count++] = more.numbers[i];
    }
}

bool parse_printer_list(const char* text, PrinterList& list)
{
    list = PrinterList{};
    PrinterList parsed;
    const bool good = for_each_entry(text, [&](const char*& p) {
        uint32_t number = 0;
        if (!read_number(p, kMaxPortNumber, number)) return false;
        PrinterSetup setup;
        bool pin_given = false;
        bool level_given = false;
        while (*p == '/') {
            ++p;
            if (!pin_given && take_word(p, "pin5")) {
                setup.pin = 5;
                pin_given = true;
            } else if (!level_given && take_word(p, "low")) {
                setup.open_low = true;
                level_given = true;
            } else {
                return false;
            }
        }
        if (*p == '@' && !read_number(++p, kMaxPrinterBaud, setup.baud)) return false;
        if (listed(parsed, number)) return true;
        if (parsed.count == kMaxSerialPorts) return false;
        parsed.printers[parsed.count++] = {static_cast<uint16_t>(number), setup};
        return true;
    });
    if (good) list = parsed;
    return good;
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
