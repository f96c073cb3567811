#include "exit_codes.h"

namespace kav::cli {

std::string_view exit_name(ExitCode code)
{
    switch (code) {
    case ExitCode::Ok: return "ok";
    case ExitCode::Closed: return "closed";
    case ExitCode::Usage: return "usage";
    case ExitCode::NoSuchDrawer: return "no-such-drawer";
    case ExitCode::NotReachable: return "not-reachable";
    case ExitCode::RequestFailed: return "request-failed";
    case ExitCode::TimedOut: return "timed-out";
    case ExitCode::Interrupted: return "interrupted";
    }
    return "unknown";
}

} // namespace kav::cli
