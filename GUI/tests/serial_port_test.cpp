#include "serial_port.h"

#include "serial_fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kav::gui {
namespace {

using testing::FakeSerialLine;
using Log = std::vector<std::string>;

struct PortFixture {
    Log log;
    FakeSerialLine line{log};
    SerialPort port{line, line};
    std::vector<CommEvent> events;

    PortFixture()
    {
        port.set_listener([this](const CommEvent& e) { events.push_back(e); });
    }
};

TEST(SerialPort, OpensWatchesWritesAndClosesInThatOrder)
{
    PortFixture f;
    EXPECT_TRUE(f.port.set_comm_port(12));
    ASSERT_TRUE(f.port.open());
    EXPECT_TRUE(f.port.is_open());
    EXPECT_FALSE(f.port.set_comm_port(3)) << "CommPort is set only while closed";
    EXPECT_EQ(f.port.comm_port(), 12);
    EXPECT_TRUE(f.port.output("U"));
    f.port.close();
    EXPECT_FALSE(f.port.is_open());
    EXPECT_FALSE(f.port.output("U")) << "nothing is written to a closed port";
    // The watcher is joined before the device it waits on is closed.
    EXPECT_EQ(f.log, (Log{"port.open(COM12)", "port.watch", "port.write(U)", "port.join", "port.close"}));
}

TEST(SerialPort, OnlyCarrierDetectChangesOfTheOpenPortReachTheListener)
{
    PortFixture f;
    ASSERT_TRUE(f.port.open());
    const WorkerStamp run = f.line.stamp;
    f.port.deliver(run, f.line.carrier(false));
    f.port.deliver(run, f.line.carrier(true));
    f.port.deliver(run, pack_line_event(0x0001 /* EV_RXCHAR: data */, true));
    f.port.deliver(run, pack_line_event(0x0008 /* EV_CTS */, false));
    f.port.deliver(0, f.line.carrier(false)); // a message that carries no stamp
    EXPECT_EQ(f.events, (std::vector<CommEvent>{{kComEvCD, false}, {kComEvCD, true}}));

    // Posted before the close, delivered after it: dropped, and so is the old
    // run's message once the port has been opened again.
    f.port.close();
    f.port.deliver(run, f.line.carrier(false));
    ASSERT_TRUE(f.port.open());
    f.port.deliver(run, f.line.carrier(false));
    EXPECT_EQ(f.events.size(), 2u);
    f.port.deliver(f.line.stamp, f.line.carrier(false));
    EXPECT_EQ(f.events.back(), (CommEvent{kComEvCD, false}));
}

TEST(SerialPort, APortThatCannotBeOpenedOrWatchedStaysClosed)
{
    {
        PortFixture f;
        f.line.open_fails = true;
        EXPECT_FALSE(f.port.open());
        EXPECT_FALSE(f.port.is_open());
        f.port.close();
        EXPECT_EQ(f.log, Log{"port.open(COM1)"}) << "no watcher for a port that did not open";
    }
    {
        PortFixture f;
        f.line.watcher_fails = true;
        EXPECT_FALSE(f.port.open());
        EXPECT_FALSE(f.port.is_open());
        EXPECT_EQ(f.log, (Log{"port.open(COM1)", "port.watch", "port.close"}));
    }
    {
        PortFixture f;
        f.line.write_fails = true;
        ASSERT_TRUE(f.port.open());
        EXPECT_FALSE(f.port.output("U"));
    }
}

TEST(SerialPort, GoingAwayClosesAnOpenPort)
{
    Log log;
    FakeSerialLine line{log};
    {
        SerialPort port(line, line);
        ASSERT_TRUE(port.open());
    }
    EXPECT_EQ(log, (Log{"port.open(COM1)", "port.watch", "port.join", "port.close"}));
}

} // namespace
} // namespace kav::gui
