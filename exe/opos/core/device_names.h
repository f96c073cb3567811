// Names derived from a logical device's name: the kernel objects every
// process opens for its claim and its statistics, and its statistics file;
// and those of a serial drawer's room.
// Device names are registry key names, so "Drawer1" and "DRAWER1" are one
// device; a name may hold characters no object or file name may, and may be
// longer than one may be, so each derived name is a readable part plus a
// hash of the whole name.
#pragma once
#include <string>
#include <string_view>

namespace kav::opos {

// "DRAWER1.1a2b3c4d5e6f7081": at most 48 characters of the name, letters,
// digits, '-' and '_' kept and anything else '_', and 16 hex digits of a hash
// of the whole name without regard to (ASCII) case.
std::string device_tag(std::string_view device_name);

std::string claim_mutex_name(std::string_view device_name);
std::string claim_flag_name(std::string_view device_name);
std::string statistics_mutex_name(std::string_view device_name);
std::string statistics_file_name(std::string_view device_name);

// A serial drawer's room (serial_room.h) belongs to its port, not to a
// device: two devices may name one drawer. Its kernel objects
// ("Global\\KAV.CashDrawer.SO.COM3.Hold") and its record file
// ("serial-COM3.room", beside the statistics).
std::string serial_room_object(int port, std::string_view object);
std::string serial_room_file_name(int port);

} // namespace kav::opos
