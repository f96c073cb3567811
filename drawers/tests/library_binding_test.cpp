// Binding tillio.dll: every export looked up by its name once, at load; a
// missing one named in the result and nothing bound; no call ever throws.
#include "library.h"

#include "kav_cash_device.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kav::drawers {
namespace {

int TILLIO_CALL device_control(const char* path, int number) { return number + (std::strcmp(path, kDevicePath) == 0 ? 1000 : 0); }
int TILLIO_CALL unload_service(const char* service, int delete_flag) { return static_cast<int>(std::strlen(service)) * delete_flag; }
int TILLIO_CALL os_version() { return 98; }
int TILLIO_CALL get_ie_path(char* out)
{
    std::strcpy(out, "c:\\x.exe site");
    return 0;
}
// Every other export answers its argument's size or number with a mark of its own.
int TILLIO_CALL by_path(const char*, int number) { return 7000 + number; }
int TILLIO_CALL by_number(int number) { return 8000 + number; }
int TILLIO_CALL two_texts(const char*, const char*) { return 9001; }
int TILLIO_CALL text_and_characters(char*, const char*) { return 9002; }
int TILLIO_CALL one_text(char*) { return 9003; }
int TILLIO_CALL two_buffers(char*, char*) { return 9004; }

template <typename Function>
RawProc raw(Function* function)
{
    return reinterpret_cast<RawProc>(function);
}

// The exports a complete tillio.dll offers, by name.
std::map<std::string, RawProc> complete_library()
{
    std::map<std::string, RawProc> exports{
        {"DeviceControl", raw(&device_control)},
        {"UnloadService", raw(&unload_service)},
        {"OSVersion", raw(&os_version)},
        {"GetIePath", raw(&get_ie_path)},
        {"LoadService", raw(&two_texts)},
        {"StringTrim", raw(&text_and_characters)},
        {"EnumUsbToComNum", raw(&one_text)},
        {"GetUsbToComToken", raw(&two_buffers)},
    };
    for (const char* name : {"AdvantechGetCashDrawerStatus", "PortwellGetCashDrawerStatus", "IEIGetCashDrawerStatus",
                             "ThinClientGetCashDrawerStatus", "Bastra8613GetCashDrawerStatus",
                             "Bastra9613GetCashDrawerStatus"})
        exports[name] = raw(&by_path);
    for (const char* name : {"RS232OpenCashDrawer", "RS232GetCashDrawerStatus", "CheckRS232Controller",
                             "UsbCashDrawer", "UsbCashDrawerStaus"})
        exports[name] = raw(&by_number);
    return exports;
}

TEST(LibraryBinding, BindsEveryExportByNameOnceAtLoad)
{
    const std::map<std::string, RawProc> exports = complete_library();
    std::vector<std::string> asked;
    Library library;
    const Binding binding = bind_library(library, [&](const char* name) -> RawProc {
        asked.emplace_back(name);
        const auto found = exports.find(name);
        return found == exports.end() ? nullptr : found->second;
    });
    ASSERT_TRUE(binding.complete()) << binding.missing;

    std::set<std::string> every;
    for (const auto& [name, proc] : exports) every.insert(name);
    EXPECT_EQ(std::multiset<std::string>(asked.begin(), asked.end()), std::multiset<std::string>(every.begin(), every.end()))
        << "each export asked for once, by its own name";
    EXPECT_EQ(every.size(), 19u);

    // Bound entries pass their arguments through and return the export's result.
    const size_t asked_at_load = asked.size();
    EXPECT_EQ(library.DeviceControl(kDevicePath, 12), 1012);
    EXPECT_EQ(library.UnloadService(kServiceName, -1), -8);
    EXPECT_EQ(library.OSVersion(), 98);
    char command_line[100] = {};
    EXPECT_EQ(library.GetIePath(command_line), 0);
    EXPECT_STREQ(command_line, "c:\\x.exe site");
    EXPECT_EQ(library.Bastra9613GetCashDrawerStatus(kDevicePath, 31), 7031);
    EXPECT_EQ(library.UsbCashDrawerStaus(2), 8002);
    EXPECT_EQ(asked.size(), asked_at_load) << "nothing is looked up at a call";
}

TEST(LibraryBinding, AMissingExportIsNamedAndNothingIsBound)
{
    for (const char* missing : {"DeviceControl", "UsbCashDrawerStaus", "GetUsbToComToken"}) {
        std::map<std::string, RawProc> exports = complete_library();
        exports.erase(missing);
        Library library;
        const Binding binding = bind_library(library, [&](const char* name) -> RawProc {
            const auto found = exports.find(name);
            return found == exports.end() ? nullptr : found->second;
        });
        EXPECT_FALSE(binding.complete());
        ASSERT_NE(binding.missing, nullptr);
        EXPECT_STREQ(binding.missing, missing);
        EXPECT_FALSE(library.OSVersion.bound()) << "all or nothing";
        EXPECT_FALSE(library.DeviceControl.bound());
    }
}

TEST(LibraryBinding, AnUnboundEntryAnswersAsAMissingExportWithoutThrowing)
{
    const Library library;
    char text[100] = "COM1";
    char token[100] = {};
    EXPECT_EQ(library.DeviceControl(kDevicePath, 12), TILLIO_DEVICE_NOT_OPENED);
    EXPECT_EQ(library.IEIGetCashDrawerStatus(kDevicePath, 661), TILLIO_DEVICE_NOT_OPENED);
    EXPECT_EQ(library.UsbCashDrawer(1), 0);
    EXPECT_EQ(library.UsbCashDrawerStaus(1), 0);
    EXPECT_EQ(library.CheckRS232Controller(1), -1);
    EXPECT_EQ(library.RS232OpenCashDrawer(1), -1);
    EXPECT_EQ(library.EnumUsbToComNum(text), TILLIO_NO_ADAPTER_PORT);
    EXPECT_EQ(library.GetUsbToComToken(text, token), 0);
    EXPECT_EQ(library.GetIePath(text), -1);
    EXPECT_EQ(library.LoadService(kServiceName, kDriverImagePath), TILLIO_PROC_NOT_FOUND);
    EXPECT_STREQ(text, "COM1") << "nothing written";
    static_assert(noexcept(library.UnloadService(kServiceName, -1)));
    EXPECT_STREQ(library.UsbCashDrawerStaus.name(), "UsbCashDrawerStaus");
}

} // namespace
} // namespace kav::drawers
