// Service objects enabled on one serial drawer share its port: one holds it
// and the rest follow; every one hears of each change; OpenDrawer of any
// fires the drawer once, through the holder; the port passes on when the
// holder leaves; a port that does not open or fails says so to all and is
// taken again; outside the room the port is read or fired by itself only
// while nobody holds it.
#include "fake_serial_room.h"
#include "shared_serial_port.h"

#include <gtest/gtest.h>

namespace kav::opos::testing {
namespace {

using Readings = std::vector<Reading>;

class SharedSerialPort_ : public ::testing::Test {
protected:
    struct Member {
        std::unique_ptr<SharedSerialPort> port;
        Readings heard;
        int reads_alone = 0;
        int fires_alone = 0;
        bool watch() { return port->start_watch([this](Reading reading) { heard.push_back(reading); }); }
    };

    std::unique_ptr<Member> member()
    {
        auto made = std::make_unique<Member>();
        Member* m = made.get();
        made->port = std::make_unique<SharedSerialPort>(
            DrawerIdentity{"com3", DrawerKind::Serial}, std::make_unique<FakeRoom>(hall),
            std::make_unique<FakeLine>(com), std::make_unique<StdMonitor>(),
            [m] {
                ++m->reads_alone;
                return Reading::Closed;
            },
            [m] {
                ++m->fires_alone;
                return OpenOutcome::Done;
            });
        return made;
    }

    FakeHall hall;
    FakeComPort com;
};

TEST_F(SharedSerialPort_, OneMemberHoldsThePortAndEveryMemberHearsEachChange)
{
    auto a = member();
    auto b = member();
    ASSERT_TRUE(a->watch());
    ASSERT_TRUE(b->watch());
    EXPECT_EQ(com.opens, 1) << "the follower never tries the port";
    EXPECT_EQ(a->heard, Readings{Reading::Closed});
    EXPECT_EQ(b->heard, Readings{Reading::Closed}) << "the standing publication at joining";

    com.set_drawer(true);
    com.set_drawer(false);
    EXPECT_EQ(a->heard, (Readings{Reading::Closed, Reading::Open, Reading::Closed}));
    EXPECT_EQ(b->heard, (Readings{Reading::Closed, Reading::Open, Reading::Closed}));
    com.set_drawer(true);
    EXPECT_EQ(a->port->read(), Reading::Open);
    EXPECT_EQ(b->port->read(), Reading::Open) << "a follower reads the holder's publication";
    EXPECT_EQ(a->reads_alone + b->reads_alone, 0);
}

TEST_F(SharedSerialPort_, AFollowersOpenDrawerIsCarriedOutByTheHolder)
{
    auto a = member();
    auto b = member();
    ASSERT_TRUE(a->watch());
    ASSERT_TRUE(b->watch());
    EXPECT_EQ(b->port->open_drawer(), OpenOutcome::Done);
    EXPECT_EQ(a->port->open_drawer(), OpenOutcome::Done);
    EXPECT_EQ(com.fires, 2);
    EXPECT_EQ(hall.fire_requests, 1) << "the holder fires its own without asking";
    com.write_fails = true;
    EXPECT_EQ(b->port->open_drawer(), OpenOutcome::RequestFailed) << "the holder's answer is the follower's";
    EXPECT_EQ(a->fires_alone + b->fires_alone, 0);
}

TEST_F(SharedSerialPort_, TheNextMemberTakesThePortOverWhenTheHolderLeaves)
{
    auto a = member();
    auto b = member();
    ASSERT_TRUE(a->watch());
    ASSERT_TRUE(b->watch());
    com.set_drawer(true);
    a->port->stop_watch();
    // The port was let go before the follower took it, which it could not
    // have done otherwise: the drawer still reads open to it.
    EXPECT_EQ(com.opens, 2);
    EXPECT_EQ(b->heard, (Readings{Reading::Closed, Reading::Open, Reading::Open}));
    EXPECT_EQ(b->port->open_drawer(), OpenOutcome::Done);
    EXPECT_EQ(com.fires, 1);
    com.set_drawer(false);
    EXPECT_EQ(b->heard.back(), Reading::Closed);
    EXPECT_EQ(a->heard.size(), 2u) << "a member that left hears nothing more";

    // The last member leaving frees the port for any program.
    b->port->stop_watch();
    EXPECT_EQ(com.opened_by, nullptr);
    EXPECT_FALSE(com.watcher);
}

TEST_F(SharedSerialPort_, APortThatDoesNotOpenIsNotReachableForAllUntilItOpens)
{
    com.foreign_holder = true;
    auto a = member();
    auto b = member();
    ASSERT_TRUE(a->watch());
    ASSERT_TRUE(b->watch());
    EXPECT_EQ(a->heard, Readings{Reading::NotReachable});
    EXPECT_EQ(b->heard, Readings{Reading::NotReachable});
    EXPECT_EQ(b->port->open_drawer(), OpenOutcome::NotReachable);
    EXPECT_EQ(a->port->open_drawer(), OpenOutcome::NotReachable);
    hall.tick();
    EXPECT_EQ(com.opens, 2) << "tried again at the tick";

    com.foreign_holder = false;
    hall.tick();
    EXPECT_EQ(a->heard.back(), Reading::Closed);
    EXPECT_EQ(b->heard.back(), Reading::Closed);
    EXPECT_EQ(b->port->open_drawer(), OpenOutcome::Done);
}

TEST_F(SharedSerialPort_, APortThatFailsIsReportedAndTakenAgain)
{
    auto a = member();
    auto b = member();
    ASSERT_TRUE(a->watch());
    ASSERT_TRUE(b->watch());
    com.fail();
    EXPECT_EQ(a->heard.back(), Reading::NotReachable);
    EXPECT_EQ(b->heard.back(), Reading::NotReachable);
    EXPECT_EQ(b->port->read(), Reading::NotReachable);
    EXPECT_EQ(b->port->open_drawer(), OpenOutcome::NotReachable) << "nothing is written to a failed port";
    hall.tick();
    EXPECT_EQ(com.opens, 2);
    EXPECT_EQ(b->heard.back(), Reading::Closed);
    com.set_drawer(true);
    EXPECT_EQ(b->heard.back(), Reading::Open) << "the port taken again is watched";
}

TEST_F(SharedSerialPort_, OutsideTheRoomThePortIsUsedAloneOnlyWhileNobodyHoldsIt)
{
    auto alone = member();
    EXPECT_EQ(alone->port->read(), Reading::Closed);
    EXPECT_EQ(alone->port->open_drawer(), OpenOutcome::Done);
    EXPECT_EQ(alone->reads_alone, 1);
    EXPECT_EQ(alone->fires_alone, 1);

    auto holder = member();
    ASSERT_TRUE(holder->watch());
    com.set_drawer(true);
    EXPECT_EQ(alone->port->read(), Reading::Open);
    EXPECT_EQ(alone->port->open_drawer(), OpenOutcome::Done);
    EXPECT_EQ(alone->reads_alone, 1) << "the holder's publication, not a port that would not open";
    EXPECT_EQ(alone->fires_alone, 1);
    EXPECT_EQ(com.fires, 1);
}

} // namespace
} // namespace kav::opos::testing
