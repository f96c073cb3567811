#include "worker_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kav::gui {
namespace {

// Records what the link asks of the thread; what the worker posts is played
// by the tests as stamps handed to accepts(), in the order a queue would.
class FakeThread final : public WorkerThread {
public:
    std::vector<std::string> calls;
    std::vector<WorkerStamp> stamps;
    bool fail_start = false;
    bool alive = false;

    bool start(WorkerStamp stamp) override
    {
        calls.push_back("start");
        stamps.push_back(stamp);
        alive = !fail_start;
        return alive;
    }
    void stop_and_join() override
    {
        calls.push_back("stop_and_join");
        alive = false;
    }
};

TEST(WorkerLink, DeliversOnlyTheRunningWorkersEvents)
{
    FakeThread thread;
    WorkerLink link(thread);
    EXPECT_FALSE(link.accepts(0)) << "a message with no stamp, before any run";

    ASSERT_TRUE(link.start());
    const WorkerStamp first = thread.stamps.back();
    EXPECT_NE(first, 0u);
    EXPECT_TRUE(link.accepts(first));
    EXPECT_FALSE(link.accepts(0));

    // An event posted just before the stop and still queued is dropped.
    link.stop();
    EXPECT_FALSE(thread.alive) << "stop returns once the thread has ended";
    EXPECT_FALSE(link.accepts(first));

    // A new run does not take the old run's late events for its own.
    ASSERT_TRUE(link.start());
    const WorkerStamp second = thread.stamps.back();
    EXPECT_NE(second, first);
    EXPECT_FALSE(link.accepts(first));
    EXPECT_TRUE(link.accepts(second));
}

TEST(WorkerLink, StopsTheRunningThreadBeforeAnotherStartsAndWhenItGoes)
{
    FakeThread thread;
    {
        WorkerLink link(thread);
        link.stop(); // nothing running: the thread is not asked
        ASSERT_TRUE(link.start());
        ASSERT_TRUE(link.start());
        link.stop();
        link.stop();
        ASSERT_TRUE(link.start());
    }
    EXPECT_EQ(thread.calls, (std::vector<std::string>{"start", "stop_and_join", "start", "stop_and_join", "start",
                                                       "stop_and_join"}));
    EXPECT_FALSE(thread.alive);
}

TEST(WorkerLink, AThreadThatDidNotStartIsNotRunningAndNotJoined)
{
    FakeThread thread;
    WorkerLink link(thread);
    thread.fail_start = true;
    EXPECT_FALSE(link.start());
    EXPECT_FALSE(link.running());
    EXPECT_FALSE(link.accepts(thread.stamps.back()));
    link.stop();
    EXPECT_EQ(thread.calls, std::vector<std::string>{"start"});
}

} // namespace
} // namespace kav::gui
