// kavdrawer.exe: the drawers of this terminal from the console. See
// core/cli_args.h for the command line and core/exit_codes.h for the codes.
#include "console_platform.h"
#include "opos_registry.h"
#include "utf8_arguments.h"

#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> words = utf8_arguments(argc, argv);
    const std::vector<std::string_view> arguments(words.begin(), words.end());
    const kav::cli::ParseResult parse = kav::cli::parse_command_line(arguments);
    StdConsole console(parse.json);
    if (!parse.invocation) return kav::cli::report_parse_error(parse, console);

    if (kav::cli::is_opos_verb(parse.invocation->verb)) {
        // The registry only: no drawer is reached.
        Win32OposRegistry registry;
        return kav::cli::run_opos(*parse.invocation, registry, console);
    }

    ConsolePlatform platform;
    if (parse.invocation->verb != kav::cli::Verb::Help) {
        // Every export bound now, once: a missing one ends the tool here.
        const kav::drawers::LibraryLoad load = platform.load();
        if (!load.bound()) {
            kav::cli::ParseResult missing;
            missing.error = kav::cli::ExitCode::NotReachable;
            missing.message = load.status == kav::drawers::LibraryLoad::Status::NotLoaded
                                  ? "tillio.dll did not load from the system directory"
                                  : std::string("tillio.dll from the system directory has no ") + load.missing;
            missing.json = parse.invocation->json;
            return kav::cli::report_parse_error(missing, console);
        }
    }
    return kav::cli::run(*parse.invocation, platform, console);
}
