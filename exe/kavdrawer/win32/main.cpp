// kavdrawer.exe: the drawers of this terminal from the console. See
// core/cli_args.h for the command line and core/exit_codes.h for the codes.
#include "console_platform.h"

#include <functional>
#include <string_view>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string_view> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    StdConsole console;
    const kav::cli::ParseResult parse = kav::cli::parse_command_line(arguments);
    if (!parse.invocation) return kav::cli::report_parse_error(parse, console);

    ConsolePlatform platform;
    try {
        return kav::cli::run(*parse.invocation, platform, console);
    } catch (const std::bad_function_call&) {
        // The binding's way of saying tillio.dll, or an export of it, is missing.
        kav::cli::ParseResult missing;
        missing.error = kav::cli::ExitCode::NotReachable;
        missing.message = "tillio.dll did not load from the system directory";
        missing.json = parse.invocation->json;
        return kav::cli::report_parse_error(missing, console);
    }
}
