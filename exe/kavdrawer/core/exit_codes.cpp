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

ExitCode exit_code(drawers::Outcome outcome)
{
    switch (outcome) {
    case drawers::Outcome::Done:
    case drawers::Outcome::Open: return ExitCode::Ok;
    case drawers::Outcome::Closed: return ExitCode::Closed;
    case drawers::Outcome::NotReachable: return ExitCode::NotReachable;
    case drawers::Outcome::RequestFailed: return ExitCode::RequestFailed;
    }
    return ExitCode::RequestFailed;
}

ExitCode exit_code(drawers::NameError error)
{
    return error == drawers::NameError::NoSuchDrawer ? ExitCode::NoSuchDrawer : ExitCode::Usage;
}

ExitCode exit_code(const drawers::LoopSummary& summary)
{
    switch (summary.how) {
    case drawers::LoopEnd::Completed: return ExitCode::Ok;
    case drawers::LoopEnd::Cancelled: return ExitCode::Interrupted;
    case drawers::LoopEnd::Failed: return exit_code(summary.failure);
    case drawers::LoopEnd::NotPlanned: return ExitCode::Usage;
    }
    return ExitCode::Usage;
}

} // namespace kav::cli
