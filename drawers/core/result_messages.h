// What the library's results mean to a user: the one map from results to the
// messages the utility shows, which the console tool and the run log repeat.
#pragma once
#include <cstdint>
#include <string>

namespace kav::drawers {

// A driver command's failure: -1 "Create File Failed", -2 "Device Control
// Failed", -3 "Device Control ID not Defined"; null for any other result.
const char* device_control_failure(int32_t result);

// A failed adapter scan (EnumUsbToComNum): -7..-10; null for any other result.
const char* adapter_failure(int32_t result);

// A board drawer's state: "Cash Drawer 2 is Open".
std::string board_state_message(int drawer, bool open);

// A USB drawer's: drawer 1 reads "Cash Drawer 1 Is Open", the others put
// the number after "Is": "Cash Drawer Is 2 Open".
std::string usb_state_message(int drawer, bool open);
std::string usb_open_failed(int drawer);   // "Open USB Cash Drawer 3 Failed"
std::string usb_status_failed(int drawer); // "Get Status for USB Cash Drawer 3 Failed"
// The loop test's open of USB drawer 1.
inline constexpr char kUsbOpenFailed[] = "Open USB Cash Drawer Failed";
// The console tool's USB status failures.
inline constexpr char kUsbNotFound[] = "USB Cash Drawer not found";
inline constexpr char kUsbStateUnknown[] = "USB Cash Drawer state unknown";

// A COM port's name as lists and messages show it: "COM3".
std::string com_port_name(int port);
// A serial drawer's port that did not open or take the write: "Open COM3 Failed".
std::string com_open_failed(int port);

// A receipt printer's drawer: no printer answered its status request on the
// port ("No printer answers on COM6"), or the kick did not go out.
std::string printer_not_answering(int port);
std::string printer_kick_failed(int port);

// The serial scan's failures; the three texts differ only in "Found" and a
// trailing blank, as users have always seen them.
inline constexpr char kNoComPortFound[] = "No RS232 Controller Found or broken";
inline constexpr char kTheComPortWentAway[] = "No RS232 Controller found or broken";
inline constexpr char kComPortsWentAway[] = "No RS232 Controller found or broken ";

} // namespace kav::drawers
