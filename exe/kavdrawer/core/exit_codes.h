// What kavdrawer.exe ends with. Scripts branch on these, so the numbers are
// fixed once published.
#pragma once
#include "drawer_access.h"
#include "drawer_address.h"
#include "loop_run.h"

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

// What a drawer request's outcome ends the program with: done and open 0,
// closed 1, not reachable 4, request failed 5.
ExitCode exit_code(drawers::Outcome outcome);
// A drawer name that was refused: not a name 2, no such drawer 3.
ExitCode exit_code(drawers::NameError error);
// How a loop run ended.
ExitCode exit_code(const drawers::LoopSummary& summary);

} // namespace kav::cli
