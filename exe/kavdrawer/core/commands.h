// Runs one parsed command line against the platform and prints its results:
// plain lines for people, or one JSON object per result with --json. Errors
// go to standard error as "kavdrawer: ..." in both modes.
#pragma once
#include "cli_args.h"
#include "drawer_access.h"
#include "drawer_list.h"
#include "run_log.h"
#include "wait_close.h"

#include <memory>
#include <string>
#include <vector>

namespace kav::cli {

// The drawer library's pieces the commands run on.
using drawers::Clock;
using drawers::DrawerWatch;
using drawers::Drawers;
using drawers::ListedDrawer;
using drawers::Outcome;
using drawers::Reading;
using drawers::Reply;

class Console {
public:
    virtual void out(const std::string& line) = 0;
    virtual void err(const std::string& line) = 0;

protected:
    Console() = default;
    Console(const Console&) = default;
    Console& operator=(const Console&) = default;
    ~Console() = default;
};

// What the commands need of the machine they run on.
class Platform {
public:
    virtual Drawers& drawers() = 0;
    virtual std::vector<ListedDrawer> list() = 0;
    virtual Clock& clock() = 0;
    virtual void beep() = 0;
    // The watch wait-close uses for this drawer.
    virtual std::unique_ptr<DrawerWatch> watch(const DrawerAddress& drawer) = 0;
    // Where loop's run log goes; a sink that drops the lines when none is asked.
    virtual drawers::LogSink& log_sink(const std::string& file) = 0;

protected:
    Platform() = default;
    Platform(const Platform&) = default;
    Platform& operator=(const Platform&) = default;
    ~Platform() = default;
};

// A result of the parse that is not an invocation (a usage error, a drawer
// that cannot exist) reported the way run() reports its own failures.
int report_parse_error(const ParseResult& parse, Console& console);

int run(const Invocation& invocation, Platform& platform, Console& console);

} // namespace kav::cli
