#include "adapter_port_source.h"

#include "serial_fakes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace kav::gui {
namespace {

using testing::FakeSerialDrawerView;
using testing::FakeSerialLine;
using Log = std::vector<std::string>;

// The library's three calls as it answers them: a list of names each followed
// by a blank, tokens taken off its front, trimming by a set of characters.
struct UsbToComFixture : testing::SerialWindowParts {
    int32_t enum_result = 0;
    std::string ports; // what EnumUsbToComNum writes
    UsbToComPorts source{library};
    FormRS232 form{view, source, comm1, comm2};

    UsbToComFixture(int32_t result, std::string list) : enum_result(result), ports(std::move(list))
    {
        library.EnumUsbToComNum = [this](char* area) {
            EXPECT_EQ(std::string(area), std::string(50, ' ')) << "50 blanks before the call";
            if (enum_result > 0) std::strcpy(area, ports.c_str());
            return enum_result;
        };
        library.GetUsbToComToken = [](char* area, char* token) {
            EXPECT_EQ(std::strlen(token), 10u) << "10 blanks before each call";
            std::string rest(area);
            const size_t blank = rest.find(' ');
            std::strcpy(token, rest.substr(0, blank).c_str());
            std::strcpy(area, rest.substr(blank + 1).c_str());
            return 0;
        };
        library.StringTrim = [this](char* text, const char* characters) {
            log.push_back(std::string("StringTrim(") + text + "," + characters + ")");
            std::string s(text);
            const size_t first = s.find_first_not_of(characters);
            s = first == std::string::npos ? "" : s.substr(first, s.find_last_not_of(characters) - first + 1);
            std::strcpy(text, s.c_str());
            return 1;
        };
    }
};

TEST(FormUSB2RS232, ListsTheAdapterPortsInTheLibrarysOrder)
{
    struct Case {
        int32_t count;
        const char* list;
        std::vector<std::string> entries;
        const char* drawer1;
        const char* drawer2;
    };
    const Case cases[] = {
        {1, "COM7 ", {"COM7"}, "COM7", "COM7"},
        {2, "COM9 COM4 ", {"COM9", "COM4"}, "COM9", "COM4"},
        {3, "COM3 COM12 COM5 ", {"COM3", "COM12", "COM5"}, "COM3", "COM5"},
    };
    for (const Case& c : cases) {
        UsbToComFixture f(c.count, c.list);
        f.form.load();
        EXPECT_EQ(f.view.entries[1], c.entries) << c.list;
        EXPECT_EQ(f.view.entries[2], c.entries) << c.list;
        EXPECT_EQ(f.view.shown[1], c.drawer1) << c.list;
        EXPECT_EQ(f.view.shown[2], c.drawer2) << c.list;
        EXPECT_EQ(f.view.status[1], "untouched") << "loading leaves the indicators as they are";
        EXPECT_TRUE(f.view.messages.empty());
        f.form.activate();
        EXPECT_EQ(f.view.closes, 0);
    }
}

TEST(FormUSB2RS232, EachFailureHasItsMessageAndTheWindowClosesOnActivation)
{
    const std::pair<int32_t, const char*> cases[] = {
        {-7, "Registry Create Key Failed|Error"},
        {-8, "Registry Query Info Key Failed|Error"},
        {-9, "Registry Enum Key Failed|Error"},
        {-10, "USB to COM Controller not found|Error"},
        {0, nullptr},
    };
    for (const auto& [code, message] : cases) {
        UsbToComFixture f(code, "");
        f.form.load();
        EXPECT_EQ(f.view.messages, message ? std::vector<std::string>{message} : std::vector<std::string>{}) << code;
        EXPECT_TRUE(f.view.entries[1].empty()) << code;
        f.form.activate();
        EXPECT_EQ(f.view.closes, 1) << code;
    }
}

TEST(FormUSB2RS232, FiringTakesThePortNumberWithStringTrim)
{
    UsbToComFixture f(2, "COM12 COM4 ");
    f.form.load();
    f.form.cmdOpen_Click();
    EXPECT_EQ(f.log, (Log{"disable 1", "StringTrim(COM12,COM)", "MSComm.open(COM12)", "MSComm.watch", "MSComm.write(U)",
                          "enable 1"}));
    f.comm1.deliver(f.line1.stamp, f.line1.carrier(false));
    EXPECT_EQ(f.view.status[1], "Open");
    EXPECT_EQ(f.view.status[2], "untouched");
}

} // namespace
} // namespace kav::gui
