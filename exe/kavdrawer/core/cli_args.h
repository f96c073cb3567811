// kavdrawer's command line:
//   kavdrawer [--json] list
//   kavdrawer [--json] open|status <drawer>
//   kavdrawer [--json] wait-close <drawer> [--timeout S] [--alarm-after S]
//   kavdrawer [--json] loop <drawer> --count N | --minutes M [--interval S] [--log FILE]
//   kavdrawer [--json] opos add <device> <drawer> | opos list | opos remove <device>
//   kavdrawer /? | -? | --help | help
// Options may stand anywhere after the program name, as "--name value" or
// "--name=value".
#pragma once
#include "drawer_address.h"
#include "exit_codes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kav::cli {

using drawers::DrawerAddress;

enum class Verb { Help, List, Open, Status, WaitClose, Loop, OposAdd, OposList, OposRemove };

struct Invocation {
    Verb verb = Verb::Help;
    bool json = false;
    DrawerAddress drawer;
    // wait-close
    std::optional<int64_t> timeout_ms;
    std::optional<int64_t> alarm_after_ms;
    // loop, as the utility's settings take them
    std::string loop_type;
    std::string amount;
    std::string interval = "1";
    std::string log_file;
    // opos add, opos remove: the logical device's name
    std::string device;
};

struct ParseResult {
    std::optional<Invocation> invocation;
    ExitCode error = ExitCode::Usage;
    std::string message;
    // --json was given, so the error is reported as JSON too.
    bool json = false;
};

ParseResult parse_command_line(std::span<const std::string_view> arguments);

std::string_view verb_name(Verb verb);
std::string_view help_text();

} // namespace kav::cli
