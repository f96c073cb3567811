#include "commands.h"

#include "json_writer.h"
#include "loop_run.h"

namespace kav::cli {
namespace {

constexpr const char* kProgram = "kavdrawer: ";

std::string_view outcome_name(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Done: return "done";
    case Outcome::Open: return "open";
    case Outcome::Closed: return "closed";
    case Outcome::NotReachable: return "not reachable";
    case Outcome::RequestFailed: return "request failed";
    }
    return "";
}

// The end of a command: its JSON object (with the exit code added) or its
// line, and the exit code.
int finish(const Invocation& invocation, Console& console, JsonObject json, const std::string& line, ExitCode code)
{
    if (invocation.json) console.out(json.text("exit", exit_name(code)).number("code", exit_value(code)).str());
    else if (!line.empty()) console.out(line);
    return exit_value(code);
}

int failed(const Invocation& invocation, Console& console, JsonObject json, const std::string& name, const Reply& reply)
{
    const ExitCode code = exit_code(reply.outcome);
    console.err(kProgram + name + ": " + std::string(outcome_name(reply.outcome)) + " (" + reply.call + ")");
    return finish(invocation, console, json.text("error", reply.failure).text("call", reply.call), "", code);
}

int open_or_status(const Invocation& invocation, Platform& platform, Console& console)
{
    const std::string name = drawers::drawer_name(invocation.drawer);
    const bool open = invocation.verb == Verb::Open;
    const Reply reply = open ? platform.drawers().open(invocation.drawer) : platform.drawers().status(invocation.drawer);
    JsonObject json;
    json.text("command", verb_name(invocation.verb)).text("drawer", name);
    if (reply.outcome == Outcome::NotReachable || reply.outcome == Outcome::RequestFailed)
        return failed(invocation, console, json, name, reply);
    if (open) json.text("result", "done");
    else json.text("state", outcome_name(reply.outcome));
    json.text("call", reply.call);
    const std::string line = name + (open ? " opened" : reply.outcome == Outcome::Open ? " open" : " closed");
    return finish(invocation, console, json, line, exit_code(reply.outcome));
}

int list(const Invocation& invocation, Platform& platform, Console& console)
{
    const std::vector<ListedDrawer> drawers = platform.list();
    std::vector<std::string> entries;
    for (const ListedDrawer& drawer : drawers) {
        entries.push_back(JsonObject().text("drawer", drawer.name).text("kind", drawer.kind).text("detail", drawer.detail).str());
        if (!invocation.json) console.out(drawer.name + "\t" + drawer.kind + "\t" + drawer.detail);
    }
    if (!invocation.json && drawers.empty()) console.err(std::string(kProgram) + "no drawer answers");
    JsonObject json;
    json.text("command", "list").raw("drawers", json_array(entries));
    return finish(invocation, console, json, "", ExitCode::Ok);
}

int wait_close_command(const Invocation& invocation, Platform& platform, Console& console)
{
    const std::string name = drawers::drawer_name(invocation.drawer);
    const std::unique_ptr<DrawerWatch> watch = platform.watch(invocation.drawer);
    const drawers::WaitResult result =
        drawers::wait_close(*watch, platform.clock(), {invocation.timeout_ms, invocation.alarm_after_ms},
                            [&] { platform.beep(); });
    JsonObject json;
    json.text("command", "wait-close").text("drawer", name);
    json.seconds("seconds", result.waited_ms).number("beeps", result.beeps);
    const std::string after = " after " + seconds_text(result.waited_ms) + " s";
    switch (result.end) {
    case drawers::WaitEnd::Closed:
        return finish(invocation, console, json.text("state", "closed"), name + " closed" + after, ExitCode::Ok);
    case drawers::WaitEnd::TimedOut:
        console.err(kProgram + name + ": still open" + after);
        return finish(invocation, console, json.text("state", "open"), "", ExitCode::TimedOut);
    case drawers::WaitEnd::Interrupted:
        console.err(kProgram + name + ": interrupted" + after);
        return finish(invocation, console, json, "", ExitCode::Interrupted);
    case drawers::WaitEnd::Failed: break;
    }
    const Outcome outcome = result.last == Reading::NotReachable ? Outcome::NotReachable : Outcome::RequestFailed;
    console.err(kProgram + name + ": " + std::string(outcome_name(outcome)));
    return finish(invocation, console, json.text("error", outcome_name(outcome)), "", exit_code(outcome));
}

int loop(const Invocation& invocation, Platform& platform, Console& console)
{
    const std::string name = drawers::drawer_name(invocation.drawer);
    drawers::RunLog log(platform.log_sink(invocation.log_file));
    const auto on_tick = [&](const drawers::LoopTick& tick) {
        if (invocation.json) {
            console.out(JsonObject()
                            .text("command", "loop")
                            .text("drawer", name)
                            .number("tick", tick.number)
                            .number("of", tick.total)
                            .text("call", tick.reply.call)
                            .flag("ok", tick.ok)
                            .str());
        } else {
            console.out("tick " + std::to_string(tick.number) + "/" + std::to_string(tick.total) + ": " + name + ", " +
                        tick.reply.call + (tick.ok ? "" : " (" + tick.reply.failure + ")"));
        }
    };
    const drawers::LoopSummary summary =
        drawers::run_loop(invocation.drawer, {invocation.loop_type, invocation.interval, invocation.amount},
                          platform.drawers(), platform.clock(), log, on_tick);
    const ExitCode code = exit_code(summary);
    JsonObject json;
    json.text("command", "loop").text("drawer", name).flag("summary", true);
    json.number("ticks", summary.ticks).number("failures", summary.failures).seconds("seconds", summary.duration_ms);
    json.text("end", summary.end);
    const std::string line = name + ": " + std::to_string(summary.ticks) + " ticks, " +
                             std::to_string(summary.failures) + " failures, " + seconds_text(summary.duration_ms) + " s, " +
                             summary.end;
    if (code != ExitCode::Ok) console.err(kProgram + line);
    return finish(invocation, console, json, line, code);
}

} // namespace

int report_parse_error(const ParseResult& parse, Console& console)
{
    console.err(kProgram + parse.message);
    if (parse.json)
        console.out(JsonObject()
                        .text("error", parse.message)
                        .text("exit", exit_name(parse.error))
                        .number("code", exit_value(parse.error))
                        .str());
    return exit_value(parse.error);
}

int run(const Invocation& invocation, Platform& platform, Console& console)
{
    switch (invocation.verb) {
    case Verb::Help:
        return finish(invocation, console, JsonObject().text("command", "help").text("usage", help_text()),
                      std::string(help_text()), ExitCode::Ok);
    case Verb::List: return list(invocation, platform, console);
    case Verb::Open:
    case Verb::Status: return open_or_status(invocation, platform, console);
    case Verb::WaitClose: return wait_close_command(invocation, platform, console);
    case Verb::Loop: return loop(invocation, platform, console);
    case Verb::OposAdd:
    case Verb::OposList:
    case Verb::OposRemove: break; // run_opos (opos_devices.h): the registry, no drawer
    }
    return exit_value(ExitCode::Usage);
}

} // namespace kav::cli
