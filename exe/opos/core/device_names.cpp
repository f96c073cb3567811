#include "device_names.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>

namespace kav::opos {
namespace {

constexpr size_t kReadablePart = 48;
// Global: a claim binds the applications of every session alike.
constexpr std::string_view kObjectPrefix = "Global\\KAV.CashDrawer.SO.";

char upper(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

} // namespace

std::string device_tag(std::string_view device_name)
{
    uint64_t hash = 14695981039346656037ull;
    std::string tag;
    for (char c : device_name) {
        hash ^= static_cast<unsigned char>(upper(c));
        hash *= 1099511628211ull;
        if (tag.size() < kReadablePart) {
            const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
            tag += plain && static_cast<unsigned char>(c) < 0x80 ? upper(c) : '_';
        }
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return tag + "." + hex;
}

std::string claim_mutex_name(std::string_view device_name)
{
    return std::string(kObjectPrefix) + "Claim." + device_tag(device_name);
}

std::string claim_flag_name(std::string_view device_name)
{
    return std::string(kObjectPrefix) + "Claimed." + device_tag(device_name);
}

std::string statistics_mutex_name(std::string_view device_name)
{
    return std::string(kObjectPrefix) + "Statistics." + device_tag(device_name);
}

std::string statistics_file_name(std::string_view device_name)
{
    return device_tag(device_name) + ".stat";
}

std::string serial_room_object(int port, std::string_view object)
{
    return std::string(kObjectPrefix) + "COM" + std::to_string(port) + "." + std::string(object);
}

std::string serial_room_file_name(int port)
{
    // Not "COM3.room": Windows takes a device's name with any extension for
    // the device itself.
    return "serial-COM" + std::to_string(port) + ".room";
}

} // namespace kav::opos
