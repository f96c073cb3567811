// What kavdrawer.exe ends with. Scripts branch on these, so the numbers are
// fixed once published.
#pragma once
#include <string_view>

namespace kav::cli {

enum class ExitCode : int {
    Ok = 0,            // done; for status: the drawer is open
    Closed = 1,        // status: the drawer is closed
    Usage = 2,         // the command line is wrong
    NoSuchDrawer = 3,  // the name names no drawer this system knows
    NotReachable = 4,  // the device, port or library did not answer
    RequestFailed = 5, // it answered, but refused or failed the request
    TimedOut = 6,      // wait-close: still open when the time ran out
    Interrupted = 7,   // Ctrl+C ended a wait or a loop
};

constexpr int exit_value(ExitCode code) { return static_cast<int>(code); }

// The word that names the code in JSON and in messages.
std::string_view exit_name(ExitCode code);

} // namespace kav::cli
