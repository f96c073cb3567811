#include "fake_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace kav::opos::testing {

bool FakeWorker::refuse_starts = false;

void FakeWorld::remove(FakeWorker* worker)
{
    workers_.erase(std::remove(workers_.begin(), workers_.end(), worker), workers_.end());
}

int64_t FakeWorld::next_due() const
{
    int64_t due = INT64_MAX;
    for (const FakeWorker* worker : workers_) {
        if (worker->running()) due = std::min(due, worker->due());
    }
    return due;
}

void FakeWorld::settle()
{
    // A worker that never settles is a fault in the code under test.
    for (int round = 0; round < 10000; ++round) {
        const std::vector<FakeWorker*> workers = workers_;
        bool ran = false;
        for (FakeWorker* worker : workers) {
            if (std::find(workers_.begin(), workers_.end(), worker) != workers_.end() && worker->running() &&
                worker->due() <= now_) {
                worker->run();
                ran = true;
            }
        }
        if (!ran) return;
    }
    ADD_FAILURE() << "the workers never settle at " << now_ << " ms";
}

void FakeWorld::advance(int64_t ms, FakeMonitor* monitor)
{
    const int64_t target = now_ + std::max<int64_t>(ms, 0);
    ASSERT_LT(target, int64_t{1} << 40) << "a wait that never ends";
    for (;;) {
        while (!actions_.empty() && actions_.begin()->first <= now_) {
            auto action = std::move(actions_.begin()->second);
            actions_.erase(actions_.begin());
            action();
        }
        settle();
        if ((monitor && monitor->notified()) || now_ >= target) return;
        int64_t next = std::min(target, next_due());
        if (!actions_.empty()) next = std::min(next, actions_.begin()->first);
        now_ = std::max(next, now_ + 1);
        now_ = std::min(now_, target);
    }
}

bool FakeWorker::start(std::function<int64_t()> step)
{
    if (refuse_starts) return false;
    EXPECT_FALSE(running()) << "a worker started twice";
    step_ = std::move(step);
    due_ = world_.now();
    return true;
}

void FakeWorker::stop_and_join()
{
    step_ = nullptr;
    due_ = INT64_MAX;
}

void FakeWorker::run()
{
    auto step = step_;
    const int64_t sleep = step();
    if (!step_) return; // stopped from inside its own step
    due_ = sleep < 0 ? INT64_MAX : world_.now() + sleep;
}

void FakeMonitor::lock()
{
    EXPECT_FALSE(held_) << "a lock taken twice";
    held_ = true;
}

void FakeMonitor::unlock()
{
    EXPECT_TRUE(held_) << "a lock released that was not held";
    held_ = false;
}

void FakeMonitor::wait_for(int64_t timeout_ms)
{
    EXPECT_TRUE(held_) << "a wait without the lock";
    notified_ = false;
    unlock();
    world_.advance(timeout_ms, this);
    lock();
}

void FakeDrawer::set(Reading reading)
{
    state = reading;
    if (watcher) watcher(reading);
}

namespace {

class FakePort final : public DrawerPort {
public:
    FakePort(std::string name, FakeDrawer& drawer) : name_(std::move(name)), drawer_(drawer) {}
    DrawerIdentity identity() const override { return {name_, drawer_.kind}; }
    OpenOutcome open_drawer() override
    {
        ++drawer_.pulses;
        if (drawer_.state == Reading::NotReachable) return OpenOutcome::NotReachable;
        if (drawer_.pulse == OpenOutcome::Done && drawer_.opens_on_pulse) drawer_.set(Reading::Open);
        return drawer_.pulse;
    }
    Reading read() override
    {
        ++drawer_.reads;
        return drawer_.state;
    }
    bool pushes_changes() const override { return drawer_.pushes; }
    bool start_watch(std::function<void(Reading)> on_change) override
    {
        drawer_.watcher = std::move(on_change);
        return true;
    }
    void stop_watch() override
    {
        drawer_.watcher = nullptr;
        ++drawer_.watch_stops;
    }
    bool start_driver_service() override
    {
        if (drawer_.kind != DrawerKind::Board) return false;
        ++drawer_.service_starts;
        if (drawer_.service_reaches && drawer_.state == Reading::NotReachable) drawer_.state = Reading::Closed;
        return true;
    }

private:
    std::string name_;
    FakeDrawer& drawer_;
};

class FakeArbiter final : public ClaimArbiter {
public:
    FakeArbiter(FakeClaims& claims, std::string device) : claims_(claims), device_(std::move(device)) {}
    ~FakeArbiter() override { release(); }
    ClaimWait acquire(int32_t timeout_ms) override
    {
        if (claims_.fail) return ClaimWait::Failed;
        std::unique_lock lock(claims_.mutex_);
        auto free = [&] { return !claims_.holders_.count(device_) || claims_.holders_[device_] == this; };
        if (timeout_ms < 0) {
            claims_.released_.wait(lock, free);
        } else if (!claims_.released_.wait_for(lock, std::chrono::milliseconds(timeout_ms), free)) {
            return ClaimWait::TimedOut;
        }
        claims_.holders_[device_] = this;
        return ClaimWait::Acquired;
    }
    void release() override
    {
        std::lock_guard lock(claims_.mutex_);
        auto held = claims_.holders_.find(device_);
        if (held != claims_.holders_.end() && held->second == this) claims_.holders_.erase(held);
        claims_.released_.notify_all();
    }
    bool held_elsewhere() override
    {
        std::lock_guard lock(claims_.mutex_);
        auto held = claims_.holders_.find(device_);
        return held != claims_.holders_.end() && held->second != this;
    }

private:
    FakeClaims& claims_;
    std::string device_;
};

class FakeStore final : public StatisticsStore {
public:
    FakeStore(FakeStatisticsFiles& files, std::string device) : files_(files), device_(std::move(device)) {}
    std::optional<StatisticsRecord> read() override
    {
        auto file = files_.files.find(device_);
        if (file == files_.files.end()) return StatisticsRecord{};
        return parse_record(file->second);
    }
    std::optional<StatisticsRecord> update(const std::function<void(StatisticsRecord&)>& change) override
    {
        auto record = read();
        if (!record || files_.fail_writes) return std::nullopt;
        change(*record);
        files_.files[device_] = format_record(*record);
        ++files_.writes;
        return record;
    }

private:
    FakeStatisticsFiles& files_;
    std::string device_;
};

} // namespace

std::unique_ptr<DrawerPort> FakeDrawerPorts::port_for(std::string_view drawer_name, std::string& why)
{
    auto drawer = drawers.find(drawer_name);
    if (drawer == drawers.end()) {
        why = "no such drawer";
        return nullptr;
    }
    return std::make_unique<FakePort>(drawer->first, drawer->second);
}

std::unique_ptr<ClaimArbiter> FakeClaims::arbiter(std::string_view device)
{
    return std::make_unique<FakeArbiter>(*this, std::string(device));
}

std::unique_ptr<StatisticsStore> FakeStatisticsFiles::store(std::string_view device)
{
    return std::make_unique<FakeStore>(*this, std::string(device));
}

std::optional<StatisticsRecord> FakeStatisticsFiles::record(const std::string& device) const
{
    auto file = files.find(device);
    if (file == files.end()) return std::nullopt;
    return parse_record(file->second);
}

std::unique_ptr<Monitor> FakePlatform::make_monitor()
{
    return std::make_unique<FakeMonitor>(world_);
}

std::unique_ptr<Worker> FakePlatform::make_worker()
{
    return std::make_unique<FakeWorker>(world_);
}

DeviceLookup FakePlatform::find_device(std::string_view device_name)
{
    auto device = devices.find(device_name);
    if (device == devices.end()) return {DeviceLookup::Result::NoDevice, ""};
    if (!device->second) return {DeviceLookup::Result::NoDrawerValue, ""};
    return {DeviceLookup::Result::Found, *device->second};
}

std::unique_ptr<ClaimArbiter> FakePlatform::claim_arbiter(std::string_view device_name)
{
    return claims_.arbiter(device_name);
}

std::unique_ptr<StatisticsStore> FakePlatform::statistics_store(std::string_view device_name)
{
    return statistics_.store(device_name);
}

void FakePlatform::beep(int32_t frequency_hz, int32_t duration_ms)
{
    beeps.push_back({world_.now(), frequency_hz, duration_ms});
    world_.advance(duration_ms);
}

} // namespace kav::opos::testing
