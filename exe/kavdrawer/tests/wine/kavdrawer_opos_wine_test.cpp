// `kavdrawer opos` against Wine's registry: a device added is in the 64-bit
// and the 32-bit view alike on 64-bit Windows (what 64-bit and 32-bit POS
// applications read), and removed from both; refused names write nothing;
// another service object's device is left as it was. In a 32-bit prefix
// there is one view, and the same holds for it.
#include "run_tool.h"
#include "wine_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

using kavcli::run_tool;
using kavcli::ToolRun;

constexpr const char* kClassKey = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashDrawer";

bool windows_is_64_bit()
{
    if (sizeof(void*) == 8) return true;
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The registry views there are: the flag each is opened with.
std::vector<REGSAM> views()
{
    if (windows_is_64_bit()) return {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
    return {0};
}

std::optional<std::string> value(REGSAM view, const std::string& device, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kClassKey) + "\\" + device).c_str(), 0, KEY_READ | view,
                      &key) != ERROR_SUCCESS)
        return std::nullopt;
    char text[256] = {};
    DWORD size = sizeof text - 1;
    DWORD type = 0;
    const LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return std::string("(no string)");
    return std::string(text);
}

void put(REGSAM view, const std::string& device, const char* progid)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kClassKey) + "\\" + device).c_str(), 0, nullptr, 0,
                              KEY_WRITE | view, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(progid),
                   static_cast<DWORD>(strlen(progid) + 1));
    RegCloseKey(key);
}

std::string describe(const std::string& arguments, const ToolRun& run)
{
    return "kavdrawer " + arguments + "\n  exit " + std::to_string(run.exit_code) + "\n  out: " + run.out +
           "\n  err: " + run.err;
}

TEST(KavDrawerOpos, AddWritesEveryViewAndRemoveTakesItFromEach)
{
    ToolRun run = run_tool("opos add FrontTill COM3");
    ASSERT_EQ(run.exit_code, 0u) << describe("opos add FrontTill COM3", run);
    for (REGSAM view : views()) {
        EXPECT_EQ(value(view, "FrontTill", nullptr), "KAV.CashDrawer.SO") << "view " << view;
        EXPECT_EQ(value(view, "FrontTill", "Drawer"), "com3") << "view " << view;
    }
    run = run_tool("--json opos list");
    ASSERT_EQ(run.exit_code, 0u) << describe("--json opos list", run);
    const std::string views_text = windows_is_64_bit() ? "64-bit and 32-bit" : "32-bit";
    EXPECT_NE(run.out.find(R"({"device":"FrontTill","drawer":"com3","views":")" + views_text + "\"}"), std::string::npos)
        << run.out;

    run = run_tool("opos remove fronttill");
    ASSERT_EQ(run.exit_code, 0u) << describe("opos remove fronttill", run);
    for (REGSAM view : views()) EXPECT_FALSE(value(view, "FrontTill", nullptr)) << "view " << view;
    EXPECT_EQ(run_tool("opos remove FrontTill").exit_code, 3u);
}

TEST(KavDrawerOpos, RefusedNamesWriteNothingAndAnotherServiceObjectsDeviceStays)
{
    struct Case {
        const char* arguments;
        DWORD exit_code;
        const char* device;
    } const cases[] = {
        {"opos add Till usb:9", 3, "Till"},
        {"opos add Till nonsense", 2, "Till"},
        {"opos add Till\\1 com3", 2, "Till\\1"},
    };
    for (const Case& c : cases) {
        const ToolRun run = run_tool(c.arguments);
        EXPECT_EQ(run.exit_code, c.exit_code) << describe(c.arguments, run);
        for (REGSAM view : views()) EXPECT_FALSE(value(view, c.device, nullptr)) << c.arguments;
    }

    for (REGSAM view : views()) put(view, "Theirs", "Other.CashDrawer.SO");
    for (const char* arguments : {"opos remove Theirs", "opos add Theirs com3"}) {
        const ToolRun run = run_tool(arguments);
        EXPECT_EQ(run.exit_code, 5u) << describe(arguments, run);
        EXPECT_NE(run.err.find("another service object's device (Other.CashDrawer.SO)"), std::string::npos) << run.err;
    }
    for (REGSAM view : views()) {
        EXPECT_EQ(value(view, "Theirs", nullptr), "Other.CashDrawer.SO");
        EXPECT_EQ(value(view, "Theirs", "Drawer"), "(no string)") << "no Drawer value was written";
    }
    const ToolRun list = run_tool("opos list");
    EXPECT_EQ(list.out.find("Theirs"), std::string::npos) << list.out;
}

} // namespace
