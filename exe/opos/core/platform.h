// What the service object takes from the operating system, one narrow
// interface each, so its rules run natively over fakes: time, the sounder,
// locks, worker threads, the logical device's configuration, the claim that
// spans processes, the statistics every process shares, and the control
// object's event entry point.
#pragma once
#include "drawer_port.h"
#include "statistics_record.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kav::opos {

class Clock {
public:
    // Milliseconds on a clock that never goes back.
    virtual int64_t now_ms() = 0;
    // Milliseconds since 1970-01-01 UTC: the statistics of all processes
    // share this time line.
    virtual int64_t wall_ms() = 0;

protected:
    Clock() = default;
    Clock(const Clock&) = default;
    Clock& operator=(const Clock&) = default;
    ~Clock() = default;
};

class Beeper {
public:
    // Sounds a tone and returns when it has ended.
    virtual void beep(int32_t frequency_hz, int32_t duration_ms) = 0;

protected:
    Beeper() = default;
    Beeper(const Beeper&) = default;
    Beeper& operator=(const Beeper&) = default;
    ~Beeper() = default;
};

// A lock with one waiter's wake-up: the application's thread waits on it for
// the drawer to close while the watch changes the state and notifies.
class Monitor {
public:
    virtual ~Monitor() = default;
    virtual void lock() = 0;
    virtual void unlock() = 0;
    // Called locked: unlocks, returns after notify() or timeout_ms (or
    // spuriously), locks again.
    virtual void wait_for(int64_t timeout_ms) = 0;
    virtual void notify() = 0;

protected:
    Monitor() = default;
    Monitor(const Monitor&) = default;
    Monitor& operator=(const Monitor&) = default;
};

class Locked {
public:
    explicit Locked(Monitor& monitor) : monitor_(monitor) { monitor_.lock(); }
    ~Locked() { monitor_.unlock(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    Monitor& monitor_;
};

// The other way round: released for a call that may block, taken again after.
class Unlocked {
public:
    explicit Unlocked(Monitor& monitor) : monitor_(monitor) { monitor_.unlock(); }
    ~Unlocked() { monitor_.lock(); }
    Unlocked(const Unlocked&) = delete;
    Unlocked& operator=(const Unlocked&) = delete;

private:
    Monitor& monitor_;
};

inline constexpr int64_t kSleepUntilWoken = -1;

// A platform thread that calls step again and again: step returns how long
// the thread may sleep before the next call (kSleepUntilWoken: until wake()),
// and wake() cuts any sleep short.
class Worker {
public:
    virtual ~Worker() = default;
    // False if no thread could start.
    virtual bool start(std::function<int64_t()> step) = 0;
    virtual void wake() = 0;
    // Once it returns the thread has ended: step is not running and is not
    // called again. Never call it while step may be blocked on the caller.
    virtual void stop_and_join() = 0;

protected:
    Worker() = default;
    Worker(const Worker&) = default;
    Worker& operator=(const Worker&) = default;
};

// The one way the service object calls the control object: SOStatusUpdate.
// It may block until the application's thread has taken the event.
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void status_update(int32_t data) = 0;

protected:
    EventSink() = default;
    EventSink(const EventSink&) = default;
    EventSink& operator=(const EventSink&) = default;
};

enum class ClaimWait { Acquired, TimedOut, Failed };

// The claim of one device, shared by every process through a named kernel
// object. An instance holds at most one claim.
class ClaimArbiter {
public:
    virtual ~ClaimArbiter() = default;
    // timeout_ms 0: try once; OPOS_FOREVER: wait as long as it takes.
    virtual ClaimWait acquire(int32_t timeout_ms) = 0;
    virtual void release() = 0;
    // Whether some other instance, in this process or another, holds it.
    virtual bool held_elsewhere() = 0;

protected:
    ClaimArbiter() = default;
    ClaimArbiter(const ClaimArbiter&) = default;
    ClaimArbiter& operator=(const ClaimArbiter&) = default;
};

// One device's statistics record, shared by every process and kept across
// restarts. Each change is one step: the record is read, changed and written
// back under a lock all processes share, and a crash leaves the old record or
// the new one, never a mix.
class StatisticsStore {
public:
    virtual ~StatisticsStore() = default;
    // The record as it stands (a fresh one if none was ever written); nothing
    // if it could not be read.
    virtual std::optional<StatisticsRecord> read() = 0;
    // The record as written; nothing if the change could not be written (the
    // record is then as before).
    virtual std::optional<StatisticsRecord> update(const std::function<void(StatisticsRecord&)>& change) = 0;

protected:
    StatisticsStore() = default;
    StatisticsStore(const StatisticsStore&) = default;
    StatisticsStore& operator=(const StatisticsStore&) = default;
};

// The logical device's configuration, read at OpenService.
struct DeviceLookup {
    enum class Result { Found, NoDevice, NoDrawerValue };
    Result result = Result::NoDevice;
    std::string drawer; // the Drawer value when found
};

class Platform {
public:
    virtual Clock& clock() = 0;
    virtual Beeper& beeper() = 0;
    virtual DrawerPorts& drawers() = 0;
    virtual std::unique_ptr<Monitor> make_monitor() = 0;
    virtual std::unique_ptr<Worker> make_worker() = 0;
    virtual DeviceLookup find_device(std::string_view device_name) = 0;
    virtual std::unique_ptr<ClaimArbiter> claim_arbiter(std::string_view device_name) = 0;
    virtual std::unique_ptr<StatisticsStore> statistics_store(std::string_view device_name) = 0;

protected:
    Platform() = default;
    Platform(const Platform&) = default;
    Platform& operator=(const Platform&) = default;
    ~Platform() = default;
};

} // namespace kav::opos
