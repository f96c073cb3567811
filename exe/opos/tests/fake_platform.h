// Fakes of everything the service object takes from the platform, driven by
// one fake time line: workers run when their time comes, the application's
// waits and beeps move time on, and drawers change at scheduled moments.
// Several service objects (standing for several processes) may share one
// world, one set of claims and one statistics store.
#pragma once
#include "platform.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kav::opos::testing {

class FakeWorker;
class FakeMonitor;

class FakeWorld {
public:
    static constexpr int64_t kWallStart = 1700000000000; // 2023-11-14 22:13:20 UTC

    int64_t now() const { return now_; }
    // Runs every worker that is due, until none is.
    void settle();
    // Moves time on by ms, running workers and scheduled actions on the way;
    // stops early once monitor (if given) is notified.
    void advance(int64_t ms, FakeMonitor* monitor = nullptr);
    void at(int64_t when_ms, std::function<void()> action) { actions_.emplace(when_ms, std::move(action)); }

    void add(FakeWorker* worker) { workers_.push_back(worker); }
    void remove(FakeWorker* worker);

private:
    int64_t next_due() const;
    int64_t now_ = 0;
    std::vector<FakeWorker*> workers_;
    std::multimap<int64_t, std::function<void()>> actions_;
};

class FakeWorker final : public Worker {
public:
    explicit FakeWorker(FakeWorld& world) : world_(world) { world_.add(this); }
    ~FakeWorker() override { world_.remove(this); }
    bool start(std::function<int64_t()> step) override;
    void wake() override { due_ = world_.now(); }
    void stop_and_join() override;

    bool running() const { return static_cast<bool>(step_); }
    int64_t due() const { return due_; }
    void run();

    static bool refuse_starts; // makes every start fail

private:
    FakeWorld& world_;
    std::function<int64_t()> step_;
    int64_t due_ = INT64_MAX;
};

// A lock that fails the test when taken twice, whose wait moves fake time.
class FakeMonitor final : public Monitor {
public:
    explicit FakeMonitor(FakeWorld& world) : world_(world) {}
    void lock() override;
    void unlock() override;
    void wait_for(int64_t timeout_ms) override;
    void notify() override { notified_ = true; }
    bool notified() const { return notified_; }

private:
    FakeWorld& world_;
    bool held_ = false;
    bool notified_ = false;
};

// One drawer the test moves by hand.
struct FakeDrawer {
    Reading state = Reading::Closed;
    OpenOutcome pulse = OpenOutcome::Done;
    bool opens_on_pulse = true;
    bool pushes = false;
    // Board drawers: starting the driver's service makes a not reachable
    // drawer answer.
    bool service_reaches = false;
    DrawerKind kind = DrawerKind::Board;
    std::function<void(Reading)> watcher;
    int reads = 0;
    int pulses = 0;
    int service_starts = 0;
    int watch_stops = 0;

    // Changes the state; a pushed port tells its watcher at once.
    void set(Reading reading);
};

class FakeDrawerPorts final : public DrawerPorts {
public:
    std::unique_ptr<DrawerPort> port_for(std::string_view drawer_name, std::string& why) override;
    std::map<std::string, FakeDrawer, std::less<>> drawers;
};

// The claims of every instance, as the named kernel objects hold them.
class FakeClaims {
public:
    std::unique_ptr<ClaimArbiter> arbiter(std::string_view device);
    bool fail = false;

    // Which arbiter holds each device's claim.
    std::mutex mutex_;
    std::condition_variable released_;
    std::map<std::string, const void*> holders_;
};

// The statistics records as files would keep them: the text format_record
// writes, read back with parse_record.
class FakeStatisticsFiles {
public:
    std::unique_ptr<StatisticsStore> store(std::string_view device);
    std::optional<StatisticsRecord> record(const std::string& device) const;
    std::map<std::string, std::string> files;
    bool fail_writes = false;
    int writes = 0;
};

struct RecordedBeep {
    int64_t at_ms;
    int32_t frequency;
    int32_t duration_ms;
};

class FakeEventSink final : public EventSink {
public:
    explicit FakeEventSink(std::shared_ptr<std::vector<int32_t>> events, std::shared_ptr<bool> alive)
        : events_(std::move(events)), alive_(std::move(alive))
    {
        *alive_ = true;
    }
    ~FakeEventSink() override { *alive_ = false; }
    void status_update(int32_t data) override { events_->push_back(data); }

private:
    std::shared_ptr<std::vector<int32_t>> events_;
    std::shared_ptr<bool> alive_;
};

// The platform of one service object over shared fakes.
class FakePlatform final : public Platform, Clock, Beeper {
public:
    FakePlatform(FakeWorld& world, FakeDrawerPorts& drawers, FakeClaims& claims, FakeStatisticsFiles& statistics)
        : world_(world), drawers_(drawers), claims_(claims), statistics_(statistics)
    {
    }

    Clock& clock() override { return *this; }
    Beeper& beeper() override { return *this; }
    DrawerPorts& drawers() override { return drawers_; }
    std::unique_ptr<Monitor> make_monitor() override;
    std::unique_ptr<Worker> make_worker() override;
    DeviceLookup find_device(std::string_view device_name) override;
    std::unique_ptr<ClaimArbiter> claim_arbiter(std::string_view device_name) override;
    std::unique_ptr<StatisticsStore> statistics_store(std::string_view device_name) override;

    int64_t now_ms() override { return world_.now(); }
    int64_t wall_ms() override { return FakeWorld::kWallStart + world_.now(); }
    void beep(int32_t frequency_hz, int32_t duration_ms) override;

    // Logical devices: name -> Drawer value (nothing: the key has no value).
    std::map<std::string, std::optional<std::string>, std::less<>> devices;
    std::vector<RecordedBeep> beeps;

private:
    FakeWorld& world_;
    FakeDrawerPorts& drawers_;
    FakeClaims& claims_;
    FakeStatisticsFiles& statistics_;
};

} // namespace kav::opos::testing
