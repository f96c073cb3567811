#include "rs232_port_source.h"
#include "serial_drawer_window.h"

#include "serial_fakes.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kav::gui {
namespace {

using testing::FakeSerialDrawerView;
using testing::FakeSerialLine;
using Log = std::vector<std::string>;

// COM ports by number: present in the first pass, and (unless listed in
// gone) in the second; CheckRS232Controller answers -1 for the rest.
struct Rs232Fixture : testing::SerialWindowParts {
    std::set<int> present;
    std::set<int> gone_after_first_pass;
    std::vector<int> checked;
    Rs232PortScan scan{library};
    FormRS232 form{view, scan, comm1, comm2};

    explicit Rs232Fixture(std::set<int> ports, std::set<int> gone = {}) : present(std::move(ports)), gone_after_first_pass(std::move(gone))
    {
        library.CheckRS232Controller = [this](int32_t port) {
            const bool second_pass = std::find(checked.begin(), checked.end(), port) != checked.end();
            checked.push_back(port);
            if (!present.count(port)) return -1;
            if (second_pass && gone_after_first_pass.count(port)) return -1;
            return 0;
        };
    }
};

TEST(FormRS232, LoadsThePortsFoundAmongCom1ToCom8)
{
    struct Case {
        const char* what;
        std::set<int> ports;
        std::vector<std::string> listed;
        std::string drawer1, drawer2;
    };
    const Case cases[] = {
        {"only COM3", {3}, {"COM3"}, "COM3", "COM3"},
        {"COM1, COM2 and COM4", {1, 2, 4}, {"COM1", "COM2", "COM4"}, "COM1", "COM4"},
        // A held port answers as an absent one; COM9 is never examined.
        {"COM2 held, COM5 and COM9", {5, 9}, {"COM5"}, "COM5", "COM5"},
        {"all eight", {1, 2, 3, 4, 5, 6, 7, 8}, {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"}, "COM1",
         "COM8"},
    };
    for (const Case& c : cases) {
        Rs232Fixture f(c.ports);
        f.form.load();
        EXPECT_EQ(f.view.entries[1], c.listed) << c.what;
        EXPECT_EQ(f.view.entries[2], c.listed) << c.what;
        EXPECT_EQ(f.view.shown[1], c.drawer1) << c.what;
        EXPECT_EQ(f.view.shown[2], c.drawer2) << c.what;
        EXPECT_EQ(f.view.status[1], "hidden") << c.what;
        EXPECT_EQ(f.view.status[2], "hidden") << c.what;
        EXPECT_TRUE(f.view.messages.empty()) << c.what;
        EXPECT_EQ(*std::max_element(f.checked.begin(), f.checked.end()), 8) << c.what;
        f.form.activate();
        EXPECT_EQ(f.view.closes, 0) << c.what << ": a window with ports stays open";
    }
}

TEST(FormRS232, WithoutUsablePortsTellsWhyAndClosesOnActivation)
{
    struct Case {
        const char* what;
        std::set<int> ports;
        std::set<int> gone;
        std::string message;
    };
    const Case cases[] = {
        {"none", {}, {}, "No RS232 Controller Found or broken|Error"},
        {"only COM9", {9}, {}, "No RS232 Controller Found or broken|Error"},
        {"one port, gone at the second check", {3}, {3}, "No RS232 Controller found or broken|Error"},
        {"three ports, one gone at the second check", {1, 2, 4}, {2}, "No RS232 Controller found or broken |Error"},
    };
    for (const Case& c : cases) {
        Rs232Fixture f(c.ports, c.gone);
        f.form.load();
        EXPECT_EQ(f.view.messages, std::vector<std::string>{c.message}) << c.what;
        EXPECT_EQ(f.view.closes, 0) << c.what << ": not before it is activated";
        f.form.activate();
        EXPECT_EQ(f.view.closes, 1) << c.what;
    }
}

TEST(FormRS232, FiringClosesBothPortsOpensTheDrawersAndWritesU)
{
    Rs232Fixture f({3, 5});
    f.form.load();
    f.form.cmdOpen_Click();
    f.form.cmdOpen2_Click();
    // The same port may serve both drawers.
    f.view.shown[1] = "COM5";
    f.form.cmdOpen_Click();
    EXPECT_EQ(f.log, (Log{"disable 1", "MSComm.open(COM3)", "MSComm.watch", "MSComm.write(U)", "enable 1",
                          "disable 2", "MSComm.join", "MSComm.close", "MSComm2.open(COM5)", "MSComm2.watch",
                          "MSComm2.write(U)", "enable 2",
                          "disable 1", "MSComm2.join", "MSComm2.close", "MSComm.open(COM5)", "MSComm.watch",
                          "MSComm.write(U)", "enable 1"}));
    f.log.clear();
    f.form.cmdCancel_Click();
    EXPECT_EQ(f.log, (Log{"MSComm.join", "MSComm.close"}));
    EXPECT_EQ(f.view.closes, 1);
}

TEST(FormRS232, FollowsTheDrawerFiredLastAndKeepsTheOthersLastLook)
{
    Rs232Fixture f({3, 5});
    f.form.load();
    f.form.cmdOpen_Click();
    EXPECT_EQ(f.view.status[1], "hidden") << "nothing shows until the line first changes";
    const WorkerStamp drawer1_run = f.line1.stamp;
    f.comm1.deliver(drawer1_run, f.line1.carrier(false));
    EXPECT_EQ(f.view.status[1], "Open");
    f.comm1.deliver(drawer1_run, f.line1.carrier(true));
    EXPECT_EQ(f.view.status[1], "Closed");
    f.comm1.deliver(drawer1_run, pack_line_event(0x0001, false)); // data on the line
    EXPECT_EQ(f.view.status[1], "Closed");

    f.form.cmdOpen2_Click();
    f.comm1.deliver(drawer1_run, f.line1.carrier(false)); // drawer 1's port was closed
    f.comm2.deliver(f.line2.stamp, f.line2.carrier(false));
    EXPECT_EQ(f.view.status[1], "Closed");
    EXPECT_EQ(f.view.status[2], "Open");
}

TEST(FormRS232, AFiringThatFailsSaysWhichPortAndLeavesTheWindowUsable)
{
    for (const bool open_fails : {true, false}) {
        Rs232Fixture f({2, 4});
        f.form.load();
        f.line2.open_fails = open_fails;
        f.line2.write_fails = !open_fails;
        f.form.cmdOpen2_Click();
        EXPECT_EQ(f.view.messages, std::vector<std::string>{"Open COM4 Failed|Error"}) << open_fails;
        EXPECT_TRUE(f.view.enabled[2]);
        EXPECT_FALSE(f.comm2.is_open()) << "a port that took no write is not left open";
        EXPECT_EQ(f.view.closes, 0);
        f.line2.open_fails = f.line2.write_fails = false;
        f.form.cmdOpen2_Click();
        EXPECT_TRUE(f.comm2.is_open());
    }
}

} // namespace
} // namespace kav::gui
