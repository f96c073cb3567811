#include "unwired_drawers.h"

#include <cctype>

namespace kav::opos {
namespace {

bool all_digits(std::string_view text)
{
    if (text.empty() || text.size() > 4) return false;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

int number(std::string_view digits)
{
    int value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
}

bool starts_with_nocase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

bool hex_address(std::string_view text)
{
    if (!starts_with_nocase(text, "0x") || text.size() < 3 || text.size() > 10) return false;
    for (char c : text.substr(2)) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

bool board_name(std::string_view text)
{
    if (text.empty() || text.size() > 32) return false;
    for (char c : text) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') return false;
    }
    return true;
}

class UnwiredPort final : public DrawerPort {
public:
    explicit UnwiredPort(DrawerIdentity identity) : identity_(std::move(identity)) {}
    DrawerIdentity identity() const override { return identity_; }
    OpenOutcome open_drawer() override { return OpenOutcome::NotReachable; }
    Reading read() override { return Reading::NotReachable; }

private:
    DrawerIdentity identity_;
};

} // namespace

std::optional<DrawerIdentity> placeholder_drawer_identity(std::string_view text)
{
    if (starts_with_nocase(text, "com")) {
        const std::string_view port = text.substr(3);
        if (!all_digits(port) || number(port) < 1 || number(port) > 255) return std::nullopt;
        std::string name = "com";
        name += std::to_string(number(port));
        return DrawerIdentity{name, DrawerKind::Serial};
    }
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string_view head = text.substr(0, colon);
    std::string_view tail = text.substr(colon + 1);
    if (head.size() == 3 && starts_with_nocase(head, "usb")) {
        if (!all_digits(tail) || number(tail) < 1 || number(tail) > 5) return std::nullopt;
        std::string name = "usb:";
        name += tail;
        return DrawerIdentity{name, DrawerKind::UsbHid};
    }
    const size_t at = tail.find('@');
    if (at != std::string_view::npos) {
        if (!hex_address(tail.substr(at + 1))) return std::nullopt;
        tail = tail.substr(0, at);
    }
    if (!board_name(head) || (tail != "1" && tail != "2")) return std::nullopt;
    return DrawerIdentity{std::string(text), DrawerKind::Board};
}

std::unique_ptr<DrawerPort> UnwiredDrawerPorts::port_for(std::string_view drawer_name, std::string& why)
{
    auto identity = placeholder_drawer_identity(drawer_name);
    if (!identity) {
        why.assign(drawer_name.substr(0, 64));
        why += " names no drawer";
        return nullptr;
    }
    return std::make_unique<UnwiredPort>(std::move(*identity));
}

} // namespace kav::opos
