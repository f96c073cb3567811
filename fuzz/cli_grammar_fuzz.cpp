// kavdrawer's command line: any argument vector, words the grammar knows
// mixed with raw bytes. Nothing crashes; every refusal is "bad usage" (2) or
// "no such drawer" (3) with a message, reported as the tool reports it; an
// accepted command names a drawer whose printed name reads back as itself,
// and an accepted opos add or remove names its device.
#include "cli_args.h"
#include "commands.h"
#include "fuzz_input.h"

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace kav::cli;
using kav::drawers::DrawerAddress;
using kav::drawers::DrawerParse;
using kav::drawers::NameError;

// What the grammar knows, so the fuzzer reaches past the first refusal.
constexpr std::string_view kWords[] = {
    "list", "open", "status", "wait-close", "loop", "help", "--json", "/?", "-?", "--help", "-h",
    "--timeout", "--alarm-after", "--count", "--minutes", "--interval", "--log", "--count=", "--timeout=",
    "VOLX-8613:1", "VOLX-9842:2", "VOLX-9613:1", "VOLX-9623:2", "VOLX-8623:1@0x200", "thin-client:2@0x280",
    "pellor (x86):1", "usb:1", "usb:5", "usb:9", "com3", "COM255", "com0", "com256", "0", "1", "0.5", "3", "1e9",
    "-1", "0x220", "@0x240", ":", "=", "",
    "printer:com6", "printer:com6/pin5/low@19200", "/pin5", "/low", "@19200", "printer:com",
    "opos", "add", "remove", "FrontTill", "Front Till", "a\\b",
};

// The console as the tool writes to it.
class RecordingConsole final : public Console {
public:
    void out(const std::string& line) override { out_lines.push_back(line); }
    void err(const std::string& line) override { err_lines.push_back(line); }
    std::vector<std::string> out_lines, err_lines;
};

bool same_drawer(const DrawerAddress& a, const DrawerAddress& b)
{
    return a.kind == b.kind && a.board == b.board && a.number == b.number && a.dio_base == b.dio_base &&
           a.printer == b.printer;
}

// A drawer the tool accepted prints as a name it reads back as the same drawer.
void check_round_trip(const DrawerAddress& drawer)
{
    const DrawerParse again = kav::drawers::parse_drawer(kav::drawers::drawer_name(drawer));
    if (!again.drawer || !same_drawer(*again.drawer, drawer)) std::abort();
}

void check_refusal(ExitCode error, const std::string& message)
{
    if (error != ExitCode::Usage && error != ExitCode::NoSuchDrawer) std::abort();
    if (message.empty()) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kav::fuzz::Input in(data, size);
    std::vector<std::string> owned;
    const size_t count = in.byte() % 12;
    for (size_t i = 0; i < count && !in.empty(); ++i) {
        const uint8_t choice = in.byte();
        std::string argument;
        if (choice < 160) {
            argument = kWords[choice % std::size(kWords)];
            if (choice & 1) { // a word with raw bytes after it
                const size_t extra = in.byte() % 6;
                for (size_t k = 0; k < extra; ++k) argument += static_cast<char>(in.byte());
            }
        } else {
            const size_t length = in.byte() % 24;
            for (size_t k = 0; k < length && !in.empty(); ++k) argument += static_cast<char>(in.byte());
        }
        owned.push_back(std::move(argument));
    }
    const std::vector<std::string_view> arguments(owned.begin(), owned.end());

    const ParseResult parse = parse_command_line(arguments);
    if (parse.invocation) {
        const Invocation& invocation = *parse.invocation;
        switch (invocation.verb) {
        case Verb::Open:
        case Verb::Status:
        case Verb::WaitClose:
        case Verb::Loop: check_round_trip(invocation.drawer); break;
        case Verb::OposAdd:
            check_round_trip(invocation.drawer);
            if (invocation.device.empty()) std::abort();
            break;
        case Verb::OposRemove:
            if (invocation.device.empty()) std::abort();
            break;
        case Verb::Help:
        case Verb::List:
        case Verb::OposList: break;
        }
        if (invocation.timeout_ms.value_or(0) < 0 || invocation.alarm_after_ms.value_or(0) < 0) std::abort();
        if (invocation.verb == Verb::Loop && invocation.loop_type != "Count" && invocation.loop_type != "Time")
            std::abort();
    } else {
        check_refusal(parse.error, parse.message);
        RecordingConsole console;
        const int code = report_parse_error(parse, console);
        if (code != 2 && code != 3) std::abort();
        if (console.err_lines.size() != 1 || console.err_lines[0].find(parse.message) == std::string::npos)
            std::abort();
        if (parse.json) {
            // One JSON object, on one line, carrying the code.
            if (console.out_lines.size() != 1) std::abort();
            const std::string& line = console.out_lines[0];
            if (line.empty() || line.front() != '{' || line.back() != '}' ||
                line.find('\n') != std::string::npos ||
                line.find("\"code\":" + std::to_string(code)) == std::string::npos)
                std::abort();
        } else if (!console.out_lines.empty()) {
            std::abort();
        }
    }

    // Every argument as a drawer name on its own.
    for (std::string_view argument : arguments) {
        const DrawerParse drawer = kav::drawers::parse_drawer(argument);
        if (drawer.drawer) {
            check_round_trip(*drawer.drawer);
        } else if (drawer.error == NameError::None || drawer.message.empty()) {
            std::abort(); // a refusal says why
        }
    }
    return 0;
}
