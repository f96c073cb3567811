#include "drawer_address.h"

#include "ioctl_codes.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace kav::drawers {
namespace {

std::string lower(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// Decimal digits only, no sign, no blanks; nothing above limit.
std::optional<int> decimal(std::string_view text, int limit)
{
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > limit) return limit + 1;
    return value;
}

// "0x200" or "512".
std::optional<int32_t> address(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        if (text.empty() || text.size() > 6) return std::nullopt;
        int32_t value = 0;
        for (char c : text) {
            const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                            : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                            : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) return std::nullopt;
            value = value * 16 + digit;
        }
        return value;
    }
    return decimal(text, 0xFFFFFF);
}

DrawerParse not_a_name(std::string message) { return {std::nullopt, NameError::NotAName, std::move(message)}; }
DrawerParse no_such(std::string message) { return {std::nullopt, NameError::NoSuchDrawer, std::move(message)}; }
DrawerParse found(DrawerAddress drawer) { return {drawer, NameError::None, {}}; }

std::string base_list()
{
    std::string text;
    for (uint16_t base : kDioBases) {
        char entry[16];
        std::snprintf(entry, sizeof entry, "%s0x%X", text.empty() ? "" : ", ", base);
        text += entry;
    }
    return text;
}

// The numbered kind a lower-case name belongs to, if any. A prefix with a
// colon claims every name up to its colon ("printer:6" is a printer's name
// gone wrong, not a board's).
const NumberedKind* numbered_kind_of(const std::string& name)
{
    for (const NumberedKind& kind : kNumberedKinds) {
        const std::string_view claimed = kind.prefix.substr(0, kind.prefix.find(':') + 1);
        if (kind.prefix.empty() || !name.starts_with(claimed.empty() ? kind.prefix : claimed)) continue;
        if (kind.colon_names_a_board && name.find(':') != std::string::npos) continue;
        return &kind;
    }
    return nullptr;
}

// number_text: what follows the kind's prefix.
DrawerParse parse_numbered(const NumberedKind& kind, std::string_view number_text, const std::string& quoted)
{
    const std::optional<int> number = decimal(number_text, kind.last);
    if (!number) return not_a_name(quoted + " is not a drawer name: " + std::string(kind.takes));
    if (*number < kind.first || *number > kind.last)
        return no_such(quoted + ": " + std::string(kind.numbered) + " are numbered " + std::to_string(kind.first) +
                       " to " + std::to_string(kind.last));
    return found({kind.kind, nullptr, *number, 0});
}

std::string baud_list()
{
    std::string text;
    for (uint32_t baud : kPrinterBaudRates) text += (text.empty() ? "" : ", ") + std::to_string(baud);
    return text;
}

// "printer:com6", then "/pin5" and "/low" in any order, each once, then "@19200".
DrawerParse parse_printer(const NumberedKind& kind, const std::string& name, const std::string& quoted)
{
    std::string_view rest = std::string_view(name).substr(kind.prefix.size());
    const size_t at = rest.find('@');
    const std::string_view baud_text = at == std::string_view::npos ? std::string_view() : rest.substr(at + 1);
    rest = rest.substr(0, at);
    const size_t slash = rest.find('/');
    const std::string_view number_text = rest.substr(0, slash);

    PrinterOptions options;
    bool pin_given = false;
    bool level_given = false;
    for (std::string_view options_text = slash == std::string_view::npos ? "" : rest.substr(slash);
         !options_text.empty();) {
        options_text.remove_prefix(1); // the slash
        const size_t next = options_text.find('/');
        const std::string_view option = options_text.substr(0, next);
        options_text = next == std::string_view::npos ? std::string_view() : options_text.substr(next);
        if (option == "pin5" && !pin_given) {
            options.pin = 5;
            pin_given = true;
        } else if (option == "low" && !level_given) {
            options.open_low = true;
            level_given = true;
        } else {
            return not_a_name(quoted + " is not a drawer name: a printer's drawer takes /pin5 and /low, each once");
        }
    }
    std::optional<int> baud;
    if (at != std::string_view::npos) {
        baud = decimal(baud_text, 999999);
        if (!baud) return not_a_name(quoted + " is not a drawer name: @ takes a line speed such as 19200");
    }

    DrawerParse parse = parse_numbered(kind, number_text, quoted);
    if (!parse.drawer) return parse;
    if (baud) {
        if (!is_printer_baud(static_cast<uint32_t>(*baud)))
            return no_such(quoted + ": the printer's line speed is one of " + baud_list());
        options.baud = static_cast<uint32_t>(*baud);
    }
    parse.drawer->printer = options;
    return parse;
}

} // namespace

DrawerParse parse_drawer(std::string_view text)
{
    const std::string name = lower(text);
    // Built by appending: gcc 12 warns falsely (-Wrestrict) on "'" + string.
    std::string quoted(1, '\'');
    quoted.append(text).push_back('\'');
    if (const NumberedKind* kind = numbered_kind_of(name)) {
        if (!name.starts_with(kind->prefix))
            return not_a_name(quoted + " is not a drawer name: " + std::string(kind->takes));
        if (kind->kind == DrawerKind::Printer) return parse_printer(*kind, name, quoted);
        return parse_numbered(*kind, std::string_view(name).substr(kind->prefix.size()), quoted);
    }

    const size_t colon = name.find(':');
    if (colon == std::string::npos || colon == 0)
        return not_a_name(quoted + " is not a drawer name (board:drawer, usb:N, comN or printer:comN)");
    const std::string_view board_part = std::string_view(name).substr(0, colon);
    std::string_view rest = std::string_view(name).substr(colon + 1);
    const size_t at = rest.find('@');
    const std::string_view drawer_part = rest.substr(0, at);
    const std::optional<int> number = decimal(drawer_part, 2);
    if (!number) return not_a_name(quoted + " is not a drawer name: a board's drawer is 1 or 2");

    const Board* board = nullptr;
    for (const Board& entry : kBoards)
        if (lower(entry.name) == board_part || lower(entry.caption) == board_part) board = &entry;
    if (board == nullptr) {
        std::string known;
        for (const Board& entry : kBoards) known += (known.empty() ? "" : ", ") + std::string(entry.name);
        return no_such(quoted + ": no board '" + std::string(text.substr(0, colon)) + "' (boards: " + known + ")");
    }
    if (*number < 1 || *number > 2) return no_such(quoted + ": a board has drawers 1 and 2");

    DrawerAddress drawer{DrawerKind::Board, board, *number, board->dio ? kDefaultDioBaseAddress : 0};
    if (at != std::string_view::npos) {
        const std::optional<int32_t> base = address(rest.substr(at + 1));
        if (!base) return not_a_name(quoted + " is not a drawer name: @ takes an address such as 0x200");
        if (!board->dio) return no_such(quoted + ": " + std::string(board->name) + " has no DIO base address");
        if (!is_dio_base(static_cast<uint32_t>(*base)))
            return no_such(quoted + ": the DIO base address is one of " + base_list());
        drawer.dio_base = *base;
    }
    return found(drawer);
}

std::string drawer_name(const DrawerAddress& drawer)
{
    if (drawer.kind != DrawerKind::Board) {
        // An adapter's port is named as any COM port.
        const DrawerKind named_as = drawer.kind == DrawerKind::UsbToCom ? DrawerKind::Com : drawer.kind;
        std::string name = std::string(numbered_kind(named_as)->prefix) + std::to_string(drawer.number);
        if (drawer.kind == DrawerKind::Printer) {
            const PrinterOptions& options = drawer.printer;
            if (options.pin == 5) name += "/pin5";
            if (options.open_low) name += "/low";
            if (options.baud != kDefaultPrinterBaud) name.append("@").append(std::to_string(options.baud));
        }
        return name;
    }
    std::string name = std::string(drawer.board->name) + ":" + std::to_string(drawer.number);
    if (drawer.board->dio) {
        char base[16];
        std::snprintf(base, sizeof base, "@0x%X", static_cast<unsigned>(drawer.dio_base));
        name += base;
    }
    return name;
}

} // namespace kav::drawers
