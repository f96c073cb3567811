#include "opos_devices.h"

#include "commands.h"
#include "json_writer.h"

#include <cctype>

namespace kav::cli {
namespace {

constexpr const char* kProgram = "kavdrawer: ";
// The control object refuses names this long before it looks them up.
constexpr size_t kMaxDeviceName = 255;

bool same_name(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// The device as each view holds it (nothing where it is not).
struct Found {
    std::vector<std::optional<OposDevice>> in_view;
    RegistryError error;
};

Found find(OposRegistry& registry, size_t views, const std::string& name)
{
    Found found;
    for (size_t view = 0; view < views; ++view) {
        const auto devices = registry.devices(view, found.error);
        if (!devices) return found;
        std::optional<OposDevice> device;
        for (const OposDevice& entry : *devices)
            if (same_name(entry.name, name)) device = entry;
        found.in_view.push_back(device);
    }
    return found;
}

bool ours(const OposDevice& device)
{
    return device.progid == kOposProgId;
}

// "64-bit and 32-bit", "32-bit".
std::string views_text(const std::vector<std::string>& views)
{
    std::string text;
    for (size_t i = 0; i < views.size(); ++i) text += (i == 0 ? "" : " and ") + views[i];
    return text;
}

int finish(const Invocation& invocation, Console& console, JsonObject json, const std::string& line, ExitCode code)
{
    if (invocation.json) console.out(json.text("exit", exit_name(code)).number("code", exit_value(code)).str());
    else if (!line.empty()) console.out(line);
    return exit_value(code);
}

int failed(const Invocation& invocation, Console& console, JsonObject json, const std::string& message, ExitCode code)
{
    console.err(kProgram + message);
    return finish(invocation, console, json.text("error", message), "", code);
}

// The device taken by another service object in some view, with its ProgID.
std::optional<std::string> foreign_owner(const Found& found)
{
    for (const auto& device : found.in_view)
        if (device && !ours(*device)) return device->progid.value_or("no ProgID");
    return std::nullopt;
}

// The exit of a change that cannot go on: the views did not read, or the
// device is another service object's in one of them.
std::optional<int> refuse(const Invocation& invocation, Console& console, const JsonObject& json, const Found& found,
                          const char* outcome)
{
    if (!found.error.empty())
        return failed(invocation, console, json, "could not read the OPOS devices: " + found.error, ExitCode::RequestFailed);
    if (const auto owner = foreign_owner(found))
        return failed(invocation, console, json,
                      invocation.device + " is another service object's device (" + *owner + "); " + outcome,
                      ExitCode::RequestFailed);
    return std::nullopt;
}

int add(const Invocation& invocation, OposRegistry& registry, Console& console)
{
    const std::vector<std::string> views = registry.views();
    const std::string drawer = drawers::drawer_name(invocation.drawer);
    JsonObject json;
    json.text("command", "opos add").text("device", invocation.device).text("drawer", drawer);
    const Found found = find(registry, views.size(), invocation.device);
    if (const auto refused = refuse(invocation, console, json, found, "nothing changed")) return *refused;
    for (size_t view = 0; view < views.size(); ++view) {
        const RegistryError error = registry.write(view, invocation.device, kOposProgId, drawer);
        if (error.empty()) continue;
        // Both views alike or neither: what this run wrote goes back as it was.
        for (size_t undo = 0; undo < view; ++undo) {
            const auto& before = found.in_view[undo];
            if (before) registry.write(undo, before->name, kOposProgId, before->drawer.value_or(""));
            else registry.remove(undo, invocation.device);
        }
        return failed(invocation, console, json,
                      "could not write " + invocation.device + " in the " + views[view] + " registry: " + error,
                      ExitCode::RequestFailed);
    }
    json.text("views", views_text(views));
    return finish(invocation, console, json,
                  invocation.device + ": " + drawer + " (" + views_text(views) + " registry)", ExitCode::Ok);
}

int remove(const Invocation& invocation, OposRegistry& registry, Console& console)
{
    const std::vector<std::string> views = registry.views();
    JsonObject json;
    json.text("command", "opos remove").text("device", invocation.device);
    const Found found = find(registry, views.size(), invocation.device);
    if (const auto refused = refuse(invocation, console, json, found, "not removed")) return *refused;
    bool any = false;
    for (size_t view = 0; view < views.size(); ++view) {
        if (!found.in_view[view]) continue;
        any = true;
        const RegistryError error = registry.remove(view, found.in_view[view]->name);
        if (error.empty()) continue;
        // Both views alike or neither: what this run removed is written back.
        for (size_t undo = 0; undo < view; ++undo) {
            const auto& before = found.in_view[undo];
            if (before) registry.write(undo, before->name, kOposProgId, before->drawer.value_or(""));
        }
        return failed(invocation, console, json,
                      "could not remove " + invocation.device + " from the " + views[view] + " registry: " + error,
                      ExitCode::RequestFailed);
    }
    if (!any) return failed(invocation, console, json, "no OPOS device " + invocation.device, ExitCode::NoSuchDrawer);
    return finish(invocation, console, json, invocation.device + " removed", ExitCode::Ok);
}

int list(const Invocation& invocation, OposRegistry& registry, Console& console)
{
    const std::vector<std::string> views = registry.views();
    // One entry per device and drawer, with the views that hold it so.
    struct Listed {
        std::string device;
        std::string drawer;
        std::vector<std::string> views;
    };
    std::vector<Listed> listed;
    JsonObject json;
    json.text("command", "opos list");
    for (size_t view = 0; view < views.size(); ++view) {
        RegistryError error;
        const auto devices = registry.devices(view, error);
        if (!devices)
            return failed(invocation, console, json, "could not read the OPOS devices: " + error, ExitCode::RequestFailed);
        for (const OposDevice& device : *devices) {
            if (!ours(device)) continue;
            const std::string drawer = device.drawer.value_or("");
            Listed* entry = nullptr;
            for (Listed& seen : listed)
                if (same_name(seen.device, device.name) && seen.drawer == drawer) entry = &seen;
            if (entry == nullptr) entry = &listed.emplace_back(Listed{device.name, drawer, {}});
            entry->views.push_back(views[view]);
        }
    }
    std::vector<std::string> entries;
    for (const Listed& entry : listed) {
        entries.push_back(JsonObject()
                              .text("device", entry.device)
                              .text("drawer", entry.drawer)
                              .text("views", views_text(entry.views))
                              .str());
        if (!invocation.json) console.out(entry.device + "\t" + entry.drawer + "\t" + views_text(entry.views));
    }
    if (!invocation.json && listed.empty()) console.err(std::string(kProgram) + "no OPOS device is ours");
    return finish(invocation, console, json.raw("devices", json_array(entries)), "", ExitCode::Ok);
}

} // namespace

std::string device_name_problem(std::string_view name)
{
    if (name.empty()) return "an OPOS device needs a name";
    if (name.size() > kMaxDeviceName) return "an OPOS device name has at most 255 characters";
    if (name.find('\\') != std::string_view::npos)
        return "an OPOS device name holds no backslash: '" + std::string(name) + "'";
    return {};
}

bool is_opos_verb(Verb verb)
{
    return verb == Verb::OposAdd || verb == Verb::OposList || verb == Verb::OposRemove;
}

int run_opos(const Invocation& invocation, OposRegistry& registry, Console& console)
{
    switch (invocation.verb) {
    case Verb::OposAdd: return add(invocation, registry, console);
    case Verb::OposRemove: return remove(invocation, registry, console);
    case Verb::OposList: return list(invocation, registry, console);
    default: break;
    }
    return exit_value(ExitCode::Usage);
}

} // namespace kav::cli
