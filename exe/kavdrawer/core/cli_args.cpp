#include "cli_args.h"

#include "loop_rules.h"
#include "opos_devices.h"

#include <cmath>
#include <vector>

namespace kav::cli {
namespace {

constexpr std::string_view kHelp =
    "Opens cash drawers, reads their state and runs loop tests from the console.\n"
    "\n"
    "kavdrawer [--json] list\n"
    "kavdrawer [--json] open <drawer>\n"
    "kavdrawer [--json] status <drawer>\n"
    "kavdrawer [--json] wait-close <drawer> [--timeout S] [--alarm-after S]\n"
    "kavdrawer [--json] loop <drawer> --count N | --minutes M [--interval S] [--log FILE]\n"
    "kavdrawer [--json] opos add <device> <drawer>\n"
    "kavdrawer [--json] opos list\n"
    "kavdrawer [--json] opos remove <device>\n"
    "\n"
    "  <drawer>        VOLX-9842:1, VOLX-9613:2, VOLX-9623:1, VOLX-8613:1,\n"
    "                  VOLX-8623:1@0x280, thin-client:2@0x200 (DIO base 0x200..0x280),\n"
    "                  usb:1 .. usb:5, com1 .. com255,\n"
    "                  printer:com1 .. printer:com255 (a receipt printer's drawer;\n"
    "                  /pin5 kicks pin 5 instead of 2, /low: open while pin 3 is low,\n"
    "                  @19200 the printer's speed instead of 9600)\n"
    "  --json          one JSON object per result (and per loop tick)\n"
    "  --timeout S     wait-close: give up after S seconds (default: never)\n"
    "  --alarm-after S wait-close: beep every second once open for S seconds\n"
    "  --count N       loop: open the drawer N times\n"
    "  --minutes M     loop: open it for M minutes\n"
    "  --interval S    loop: seconds between openings (default 1)\n"
    "  --log FILE      loop: append the run to FILE in LoopTest.log's lines\n"
    "  <device>        opos: the OPOS CashDrawer device name a POS application opens;\n"
    "                  add makes it serve <drawer> through KAV.CashDrawer.SO, for\n"
    "                  32-bit and 64-bit applications alike; remove takes only ours\n"
    "\n"
    "Exit codes: 0 done (status: open), 1 closed, 2 bad usage, 3 no such drawer,\n"
    "4 device not reachable, 5 request failed, 6 wait-close timed out, 7 interrupted.\n";

struct Verbs {
    std::string_view name;
    Verb verb;
};
constexpr Verbs kVerbs[] = {{"list", Verb::List},     {"open", Verb::Open},
                            {"status", Verb::Status}, {"wait-close", Verb::WaitClose},
                            {"loop", Verb::Loop},     {"help", Verb::Help},
                            // Named after "opos", never looked up as a first word.
                            {"opos add", Verb::OposAdd}, {"opos list", Verb::OposList},
                            {"opos remove", Verb::OposRemove}};

// Options that take a value, and the verb each belongs to.
struct ValueOption {
    std::string_view name;
    Verb verb;
};
constexpr ValueOption kValueOptions[] = {{"--timeout", Verb::WaitClose}, {"--alarm-after", Verb::WaitClose},
                                         {"--count", Verb::Loop},        {"--minutes", Verb::Loop},
                                         {"--interval", Verb::Loop},     {"--log", Verb::Loop}};

// Plain decimal seconds ("2", "0.5"), as milliseconds; nothing for anything
// else, a negative value included.
std::optional<int64_t> seconds_ms(std::string_view text)
{
    if (text.empty() || text.size() > 12) return std::nullopt;
    int64_t whole = 0;
    int64_t fraction = 0;
    int fraction_digits = 0;
    bool point = false;
    bool digits = false;
    for (char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            digits = true;
            if (!point) whole = whole * 10 + (c - '0');
            else if (fraction_digits < 3) {
                fraction = fraction * 10 + (c - '0');
                ++fraction_digits;
            }
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    for (; fraction_digits < 3; ++fraction_digits) fraction *= 10;
    return whole * 1000 + fraction;
}

bool whole_number(std::string_view text)
{
    if (text.empty() || text.size() > 10) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

ParseResult fail(std::string message, bool json, ExitCode code = ExitCode::Usage)
{
    return {std::nullopt, code, std::move(message), json};
}

// "opos add <device> <drawer>", "opos list", "opos remove <device>"; option:
// the first value option given, which none of them takes.
ParseResult parse_opos(const std::vector<std::string_view>& positional, std::string_view option, bool json)
{
    struct OposVerb {
        std::string_view name;
        Verb verb;
        size_t arguments;
        std::string_view needs;
    };
    constexpr OposVerb kOposVerbs[] = {
        {"add", Verb::OposAdd, 2, "opos add needs a device name and a drawer, as in FrontTill com3"},
        {"list", Verb::OposList, 0, ""},
        {"remove", Verb::OposRemove, 1, "opos remove needs a device name"},
    };
    if (positional.size() < 2) return fail("opos needs add, list or remove", json);
    const OposVerb* verb = nullptr;
    for (const OposVerb& entry : kOposVerbs)
        if (entry.name == positional[1]) verb = &entry;
    if (verb == nullptr) return fail("unknown opos command '" + std::string(positional[1]) + "' (add, list or remove)", json);
    const std::string name = "opos " + std::string(verb->name);
    if (!option.empty()) return fail(std::string(option) + " does not go with " + name, json);
    if (positional.size() < 2 + verb->arguments) return fail(std::string(verb->needs), json);
    if (positional.size() > 2 + verb->arguments)
        return fail("unexpected argument '" + std::string(positional[2 + verb->arguments]) + "' after " + name, json);
    Invocation invocation;
    invocation.verb = verb->verb;
    invocation.json = json;
    if (verb->arguments >= 1) {
        const std::string problem = device_name_problem(positional[2]);
        if (!problem.empty()) return fail(problem, json);
        invocation.device = std::string(positional[2]);
    }
    if (verb->arguments == 2) {
        const drawers::DrawerParse drawer = drawers::parse_drawer(positional[3]);
        if (!drawer.drawer) return fail(drawer.message, json, exit_code(drawer.error));
        invocation.drawer = *drawer.drawer;
    }
    return {invocation, ExitCode::Ok, {}, json};
}

} // namespace

std::string_view help_text() { return kHelp; }

std::string_view verb_name(Verb verb)
{
    for (const Verbs& entry : kVerbs)
        if (entry.verb == verb) return entry.name;
    return "help";
}

ParseResult parse_command_line(std::span<const std::string_view> arguments)
{
    bool json = false;
    for (std::string_view argument : arguments)
        if (argument == "--json") json = true;

    std::vector<std::string_view> positional;
    struct Given {
        std::string_view name;
        std::string_view value;
    };
    std::vector<Given> options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "/?" || argument == "-?" || argument == "--help" || argument == "-h") {
            Invocation help;
            help.json = json;
            return {help, ExitCode::Ok, {}, json};
        }
        if (argument == "--json") continue;
        if (!argument.starts_with("--")) {
            positional.push_back(argument);
            continue;
        }
        const size_t equals = argument.find('=');
        const std::string_view name = argument.substr(0, equals);
        bool known = false;
        for (const ValueOption& option : kValueOptions) known = known || option.name == name;
        if (!known) return fail("unknown option '" + std::string(name) + "' (kavdrawer /? lists them)", json);
        if (equals != std::string_view::npos) {
            options.push_back({name, argument.substr(equals + 1)});
        } else {
            if (i + 1 >= arguments.size()) return fail(std::string(name) + " needs a value", json);
            options.push_back({name, arguments[++i]});
        }
    }

    if (positional.empty()) return fail("no command given (kavdrawer /? shows the commands)", json);
    if (positional[0] == "opos") return parse_opos(positional, options.empty() ? "" : options[0].name, json);
    Invocation invocation;
    invocation.json = json;
    const Verbs* verb = nullptr;
    for (const Verbs& entry : kVerbs)
        if (entry.name == positional[0]) verb = &entry;
    if (verb == nullptr) return fail("unknown command '" + std::string(positional[0]) + "'", json);
    invocation.verb = verb->verb;
    if (invocation.verb == Verb::Help) return {invocation, ExitCode::Ok, {}, json};

    const size_t wanted = invocation.verb == Verb::List ? 1 : 2;
    if (positional.size() < wanted) return fail(std::string(verb->name) + " needs a drawer, as in com3 or usb:1", json);
    if (positional.size() > wanted)
        return fail("unexpected argument '" + std::string(positional[wanted]) + "' after " + std::string(verb->name), json);

    for (size_t i = 0; i < options.size(); ++i) {
        // Which of two values was meant is not for the tool to guess.
        for (size_t j = 0; j < i; ++j)
            if (options[j].name == options[i].name) return fail(std::string(options[i].name) + " given twice", json);
    }
    for (const Given& option : options) {
        for (const ValueOption& known : kValueOptions) {
            if (known.name == option.name && known.verb != invocation.verb)
                return fail(std::string(option.name) + " does not go with " + std::string(verb->name), json);
        }
    }
    if (wanted == 2) {
        drawers::DrawerParse drawer = drawers::parse_drawer(positional[1]);
        if (!drawer.drawer) return fail(drawer.message, json, exit_code(drawer.error));
        invocation.drawer = *drawer.drawer;
    }

    for (const Given& option : options) {
        const std::string value(option.value);
        if (option.name == "--timeout" || option.name == "--alarm-after") {
            const std::optional<int64_t> ms = seconds_ms(option.value);
            if (!ms) return fail(std::string(option.name) + " takes seconds, as in 30 or 0.5; not '" + value + "'", json);
            (option.name == "--timeout" ? invocation.timeout_ms : invocation.alarm_after_ms) = ms;
        } else if (option.name == "--count") {
            if (!whole_number(option.value) || seconds_ms(option.value).value_or(0) < 1000)
                return fail("--count takes a whole number of 1 or more; not '" + value + "'", json);
            if (!invocation.loop_type.empty()) return fail("give --count or --minutes, not both", json);
            invocation.loop_type = "Count";
            invocation.amount = value;
        } else if (option.name == "--minutes") {
            // Too few minutes for one tick is the run plan's to refuse.
            if (!seconds_ms(option.value))
                return fail("--minutes takes a number of minutes, as in 5 or 0.5; not '" + value + "'", json);
            if (!invocation.loop_type.empty()) return fail("give --count or --minutes, not both", json);
            invocation.loop_type = "Time";
            invocation.amount = value;
        } else if (option.name == "--interval") {
            if (seconds_ms(option.value).value_or(0) == 0)
                return fail("--interval takes seconds, at least 0.001, as in 1 or 0.5; not '" + value + "'", json);
            invocation.interval = value;
        } else if (option.name == "--log") {
            if (option.value.empty()) return fail("--log needs a file name", json);
            invocation.log_file = value;
        }
    }

    if (invocation.verb == Verb::Loop) {
        if (invocation.loop_type.empty()) return fail("loop needs --count N or --minutes M", json);
        const std::optional<drawers::RunPlan> plan = drawers::plan_run(invocation.loop_type, invocation.interval, invocation.amount);
        if (!plan || plan->total < 1)
            return fail("--" + std::string(invocation.loop_type == "Count" ? "count" : "minutes") +
                            " and --interval plan no run: it would have no tick or too many",
                        json);
    }
    return {invocation, ExitCode::Ok, {}, json};
}

} // namespace kav::cli
