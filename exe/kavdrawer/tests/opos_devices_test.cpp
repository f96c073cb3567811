// `kavdrawer opos add|list|remove` over a registry of two views, as 64-bit
// Windows has: the command lines and their refusals, every change made in
// both views or in neither, another service object's device left alone, the
// lines and JSON printed.
#include "commands.h"
#include "opos_devices.h"

#include <gtest/gtest.h>

#include <map>

namespace kav::cli {
namespace {

struct Lines final : Console {
    std::vector<std::string> out_lines, err_lines;
    void out(const std::string& line) override { out_lines.push_back(line); }
    void err(const std::string& line) override { err_lines.push_back(line); }
};

// Device keys by name in each view; a name written in another case finds
// the same key, as in the registry.
class FakeRegistry final : public OposRegistry {
public:
    std::vector<std::string> view_names{"64-bit", "32-bit"};
    std::vector<std::map<std::string, OposDevice>> keys{2};
    std::optional<size_t> refuse_writes_in;
    std::optional<size_t> refuse_removes_in;
    bool unreadable = false;

    std::vector<std::string> views() override { return view_names; }
    std::optional<std::vector<OposDevice>> devices(size_t view, RegistryError& error) override
    {
        if (unreadable) {
            error = "access denied";
            return std::nullopt;
        }
        std::vector<OposDevice> all;
        for (const auto& [key, device] : keys[view]) all.push_back(device);
        return all;
    }
    RegistryError write(size_t view, const std::string& name, std::string_view progid, const std::string& drawer) override
    {
        if (refuse_writes_in == view) return "access denied";
        OposDevice& key = keys[view][folded(name)];
        if (key.name.empty()) key.name = name; // an existing key keeps its spelling
        key.progid = std::string(progid);
        key.drawer = drawer;
        return {};
    }
    RegistryError remove(size_t view, const std::string& name) override
    {
        if (refuse_removes_in == view) return "access denied";
        return keys[view].erase(folded(name)) ? "" : "not found";
    }
    void put(size_t view, const std::string& name, const char* progid, const char* drawer)
    {
        keys[view][folded(name)] = {name, std::string(progid), std::string(drawer)};
    }
    std::optional<OposDevice> at(size_t view, const std::string& name)
    {
        const auto found = keys[view].find(folded(name));
        if (found == keys[view].end()) return std::nullopt;
        return found->second;
    }

private:
    static std::string folded(std::string name)
    {
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return name;
    }
};

struct ToolRun {
    int code = -1;
    Lines lines;
};

ToolRun run(FakeRegistry& registry, std::vector<std::string_view> arguments)
{
    ToolRun result;
    const ParseResult parse = parse_command_line(arguments);
    if (!parse.invocation) {
        result.code = report_parse_error(parse, result.lines);
        return result;
    }
    EXPECT_TRUE(is_opos_verb(parse.invocation->verb));
    result.code = run_opos(*parse.invocation, registry, result.lines);
    return result;
}

TEST(OposDevices, CommandLinesAndTheirRefusalsWriteNothing)
{
    const std::string long_name(256, 'x');
    struct Case {
        std::vector<std::string_view> arguments;
        int code;
        const char* message;
    } const cases[] = {
        {{"opos"}, 2, "opos needs add, list or remove"},
        {{"opos", "move", "A"}, 2, "unknown opos command 'move' (add, list or remove)"},
        {{"opos", "add", "A"}, 2, "opos add needs a device name and a drawer, as in FrontTill com3"},
        {{"opos", "add", "A", "com3", "x"}, 2, "unexpected argument 'x' after opos add"},
        {{"opos", "remove"}, 2, "opos remove needs a device name"},
        {{"opos", "list", "--timeout", "3"}, 2, "--timeout does not go with opos list"},
        {{"opos", "add", "", "com3"}, 2, "an OPOS device needs a name"},
        {{"opos", "add", long_name, "com3"}, 2, "an OPOS device name has at most 255 characters"},
        {{"opos", "remove", "Till\\1"}, 2, "an OPOS device name holds no backslash: 'Till\\1'"},
        {{"opos", "add", "Till", "nonsense"}, 2, nullptr},
        {{"opos", "add", "Till", "usb:9"}, 3, nullptr},
        {{"opos", "add", "Till", "VOLX-8613:3"}, 3, nullptr},
    };
    for (const Case& c : cases) {
        FakeRegistry registry;
        const ToolRun result = run(registry, c.arguments);
        const std::string line = c.arguments.size() > 1 ? std::string(c.arguments[1]) : "";
        EXPECT_EQ(result.code, c.code) << line;
        ASSERT_EQ(result.lines.err_lines.size(), 1u) << line;
        if (c.message) {
            EXPECT_EQ(result.lines.err_lines[0], std::string("kavdrawer: ") + c.message);
        }
        EXPECT_TRUE(registry.keys[0].empty() && registry.keys[1].empty()) << "written for " << line;
    }
    // 255 characters is a name.
    FakeRegistry registry;
    EXPECT_EQ(run(registry, {"opos", "add", std::string(255, 'x'), "com3"}).code, 0);
}

TEST(OposDevices, AddWritesBothViewsAndListShowsOursOnly)
{
    FakeRegistry registry;
    registry.put(0, "Scanner1", "Other.CashDrawer.SO", "x");
    registry.put(1, "Scanner1", "Other.CashDrawer.SO", "x");
    const ToolRun added = run(registry, {"opos", "add", "FrontTill", "COM3"});
    EXPECT_EQ(added.code, 0);
    EXPECT_EQ(added.lines.out_lines, std::vector<std::string>{"FrontTill: com3 (64-bit and 32-bit registry)"});
    for (size_t view : {0u, 1u}) {
        const auto device = registry.at(view, "FrontTill");
        ASSERT_TRUE(device) << view;
        EXPECT_EQ(device->progid, "KAV.CashDrawer.SO");
        EXPECT_EQ(device->drawer, "com3") << "the drawer as the console names it";
    }
    // Ours again: the drawer changes, in both views.
    EXPECT_EQ(run(registry, {"opos", "add", "fronttill", "VOLX-8613:1"}).code, 0);
    EXPECT_EQ(registry.at(1, "FrontTill")->drawer, "VOLX-8613:1");

    // A device in one view only is listed with its view.
    registry.put(1, "OldTill", "KAV.CashDrawer.SO", "usb:2");
    const ToolRun listed = run(registry, {"opos", "list"});
    EXPECT_EQ(listed.code, 0);
    EXPECT_EQ(listed.lines.out_lines, (std::vector<std::string>{"FrontTill\tVOLX-8613:1\t64-bit and 32-bit",
                                                                 "OldTill\tusb:2\t32-bit"}));
    const ToolRun json = run(registry, {"--json", "opos", "list"});
    ASSERT_EQ(json.lines.out_lines.size(), 1u);
    EXPECT_EQ(json.lines.out_lines[0],
              R"({"command":"opos list","devices":[{"device":"FrontTill","drawer":"VOLX-8613:1","views":"64-bit and 32-bit"},)"
              R"({"device":"OldTill","drawer":"usb:2","views":"32-bit"}],"exit":"ok","code":0})");

    FakeRegistry empty;
    const ToolRun none = run(empty, {"opos", "list"});
    EXPECT_EQ(none.code, 0);
    EXPECT_EQ(none.lines.err_lines, std::vector<std::string>{"kavdrawer: no OPOS device is ours"});
}

TEST(OposDevices, AnotherServiceObjectsDeviceIsNeverChangedOrRemoved)
{
    FakeRegistry registry;
    registry.put(1, "Till", "Other.CashDrawer.SO", "their-port");
    for (const std::vector<std::string_view>& arguments :
         {std::vector<std::string_view>{"opos", "add", "TILL", "com3"}, std::vector<std::string_view>{"opos", "remove", "Till"}}) {
        const ToolRun refused = run(registry, arguments);
        EXPECT_EQ(refused.code, 5) << arguments[1];
        EXPECT_NE(refused.lines.err_lines[0].find("another service object's device (Other.CashDrawer.SO)"),
                  std::string::npos)
            << refused.lines.err_lines[0];
    }
    EXPECT_EQ(registry.at(1, "Till")->drawer, "their-port");
    EXPECT_FALSE(registry.at(0, "Till")) << "not added in the other view either";
}

TEST(OposDevices, RemoveTakesOursFromBothViews)
{
    FakeRegistry registry;
    ASSERT_EQ(run(registry, {"opos", "add", "Till", "usb:1"}).code, 0);
    const ToolRun removed = run(registry, {"--json", "opos", "remove", "till"});
    EXPECT_EQ(removed.code, 0);
    EXPECT_EQ(removed.lines.out_lines,
              std::vector<std::string>{R"({"command":"opos remove","device":"till","exit":"ok","code":0})"});
    EXPECT_TRUE(registry.keys[0].empty() && registry.keys[1].empty());
    const ToolRun again = run(registry, {"opos", "remove", "Till"});
    EXPECT_EQ(again.code, 3);
    EXPECT_EQ(again.lines.err_lines, std::vector<std::string>{"kavdrawer: no OPOS device Till"});
}

TEST(OposDevices, AViewThatRefusesTheChangeLeavesBothAsTheyWere)
{
    FakeRegistry registry;
    ASSERT_EQ(run(registry, {"opos", "add", "Till", "com3"}).code, 0);
    ASSERT_EQ(run(registry, {"opos", "add", "New", "com5"}).code, 0);
    registry.refuse_writes_in = 1;
    const ToolRun changed = run(registry, {"opos", "add", "Till", "com4"});
    EXPECT_EQ(changed.code, 5);
    EXPECT_EQ(changed.lines.err_lines,
              std::vector<std::string>{"kavdrawer: could not write Till in the 32-bit registry: access denied"});
    EXPECT_EQ(registry.at(0, "Till")->drawer, "com3") << "the 64-bit view written back";
    EXPECT_EQ(run(registry, {"opos", "add", "Fresh", "com4"}).code, 5);
    EXPECT_FALSE(registry.at(0, "Fresh")) << "the 64-bit view's new key taken back";

    registry.refuse_writes_in.reset();
    registry.refuse_removes_in = 1;
    EXPECT_EQ(run(registry, {"opos", "remove", "Till"}).code, 5);
    EXPECT_EQ(registry.at(0, "Till")->drawer, "com3") << "the 64-bit view's key written back";
    EXPECT_TRUE(registry.at(1, "Till"));

    registry.unreadable = true;
    const ToolRun unreadable = run(registry, {"opos", "list"});
    EXPECT_EQ(unreadable.code, 5);
    EXPECT_EQ(unreadable.lines.err_lines,
              std::vector<std::string>{"kavdrawer: could not read the OPOS devices: access denied"});
}

} // namespace
} // namespace kav::cli
