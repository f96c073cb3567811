#include "Module1.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace kav::gui {
namespace {

int32_t device_control(const char* path, int32_t number) { return number + (std::strcmp(path, kDevicePath) == 0 ? 1000 : 0); }
int32_t unload_service(const char* service, int32_t delete_flag) { return static_cast<int32_t>(std::strlen(service)) * delete_flag; }
int32_t os_version() { return 98; }
int32_t get_ie_path(char* out)
{
    std::strcpy(out, "c:\\x.exe site");
    return 0;
}

template <typename Function>
RawProc raw(Function* function)
{
    return reinterpret_cast<RawProc>(function);
}

TEST(Module1, BindsEveryExportByNameAndMissingOnesFailAtTheirCall)
{
    std::vector<std::string> asked;
    Library library = bind_library_on_first_call([&asked](const char* name) -> RawProc {
        asked.emplace_back(name);
        const std::string n = name;
        if (n == "DeviceControl") return raw(&device_control);
        if (n == "UnloadService") return raw(&unload_service);
        if (n == "OSVersion") return raw(&os_version);
        if (n == "GetIePath") return raw(&get_ie_path);
        return nullptr;
    });

    // Bound entries pass their arguments through and return the export's result.
    EXPECT_EQ(library.DeviceControl(kDevicePath, 12), 1012);
    EXPECT_EQ(library.UnloadService(kServiceName, kDeleteService), -8);
    EXPECT_EQ(library.OSVersion(), 98);
    char command_line[100] = {};
    EXPECT_EQ(library.GetIePath(command_line), 0);
    EXPECT_STREQ(command_line, "c:\\x.exe site");

    // Every other entry asks for its own name and, not finding it, throws.
    char text[100] = "COM1";
    char token[100] = {};
    const std::pair<const char*, std::function<int32_t()>> missing[] = {
        {"LoadService", [&] { return library.LoadService(kServiceName, kDriverImagePath); }},
        {"AdvantechGetCashDrawerStatus", [&] { return library.AdvantechGetCashDrawerStatus(kDevicePath, 27); }},
        {"PortwellGetCashDrawerStatus", [&] { return library.PortwellGetCashDrawerStatus(kDevicePath, 11); }},
        {"Bastra8613GetCashDrawerStatus", [&] { return library.Bastra8613GetCashDrawerStatus(kDevicePath, 13); }},
        {"Bastra9613GetCashDrawerStatus", [&] { return library.Bastra9613GetCashDrawerStatus(kDevicePath, 31); }},
        {"IEIGetCashDrawerStatus", [&] { return library.IEIGetCashDrawerStatus(kDevicePath, 661); }},
        {"ThinClientGetCashDrawerStatus", [&] { return library.ThinClientGetCashDrawerStatus(kDevicePath, 657); }},
        {"UsbCashDrawer", [&] { return library.UsbCashDrawer(1); }},
        {"UsbCashDrawerStaus", [&] { return library.UsbCashDrawerStaus(1); }},
        {"CheckRS232Controller", [&] { return library.CheckRS232Controller(1); }},
        {"EnumUsbToComNum", [&] { return library.EnumUsbToComNum(text); }},
        {"GetUsbToComToken", [&] { return library.GetUsbToComToken(text, token); }},
        {"StringTrim", [&] { return library.StringTrim(text, " "); }},
    };
    for (const auto& [name, call] : missing) {
        EXPECT_THROW(call(), std::bad_function_call) << name;
        EXPECT_EQ(asked.back(), name);
    }

    const std::multiset<std::string> expected{
        "LoadService", "UnloadService", "OSVersion", "DeviceControl",
        "AdvantechGetCashDrawerStatus", "PortwellGetCashDrawerStatus", "Bastra8613GetCashDrawerStatus",
        "Bastra9613GetCashDrawerStatus", "IEIGetCashDrawerStatus", "ThinClientGetCashDrawerStatus",
        "UsbCashDrawer", "UsbCashDrawerStaus", "CheckRS232Controller",
        "EnumUsbToComNum", "GetUsbToComToken", "StringTrim", "GetIePath",
    };
    EXPECT_EQ(std::multiset<std::string>(asked.begin(), asked.end()), expected);
}

TEST(Module1, BindingOnFirstCallLooksNothingUpBeforeACall)
{
    std::vector<std::string> asked;
    Library library = bind_library_on_first_call([&asked](const char* name) -> RawProc {
        asked.emplace_back(name);
        return std::string(name) == "DeviceControl" ? raw(&device_control) : nullptr;
    });
    EXPECT_TRUE(asked.empty()) << "the library must not be needed before it has been checked";

    EXPECT_EQ(library.DeviceControl(kDevicePath, 13), 1013);
    EXPECT_EQ(library.DeviceControl(kDevicePath, 14), 1014);
    EXPECT_EQ(asked, std::vector<std::string>{"DeviceControl"}) << "looked up once";

    EXPECT_THROW(library.OSVersion(), std::bad_function_call) << "a missing export fails at its call";
}

} // namespace
} // namespace kav::gui
