// The OPOS CashDrawer service object without COM: every method and property
// the control object calls, with the UnifiedPOS rules of a sharable cash
// drawer. The COM edge turns each Invoke into one call here.
//
// Threads: the control object's thread makes every call below. Two workers
// run beside it: the watch (while enabled) reads the drawer at least every
// 200 ms unless its port pushes changes, keeps DrawerOpened and PowerState
// current and writes the statistics; the delivery (while open) hands queued
// events to the control object, which may block it until the application's
// thread has taken them. The watch never calls the control object, so
// disabling joins it safely; the delivery is joined only in CloseService,
// which the control object calls after it has made events illegal, so the
// delivery is never left blocked inside an event call.
#pragma once
#include "drawer_port.h"
#include "opos_constants.h"
#include "platform.h"
#include "statistics.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

namespace kav::opos {

// The watch reads a port that does not push changes this often.
inline constexpr int64_t kPollPeriodMs = 200;
// After a pulse, how long the drawer may take to read open.
inline constexpr int64_t kOpenConfirmMs = 500;
inline constexpr int64_t kOpenConfirmStepMs = 25;
// Powered time is written at least this often while it runs.
inline constexpr int64_t kPoweredWriteMs = 60000;
// After a statistics write failed, the watch tries again this much later.
inline constexpr int64_t kStatisticsRetryMs = 5000;
// Events held while frozen beyond this many drop the oldest.
inline constexpr size_t kMaxQueuedEvents = 1024;
// Open results of the service object itself, beyond the standard ones.
inline constexpr int32_t KAV_ORS_NO_THREAD = 452;

class ServiceObject {
public:
    explicit ServiceObject(Platform& platform);
    // Closes first if the control object never did.
    ~ServiceObject();
    ServiceObject(const ServiceObject&) = delete;
    ServiceObject& operator=(const ServiceObject&) = delete;

    // Each returns its result code and records it as ResultCode (with
    // ResultCodeExtended), unless said otherwise.
    int32_t open_service(std::string_view device_class, std::string_view device_name,
                         std::unique_ptr<EventSink> events);
    int32_t close_service();
    int32_t claim_device(int32_t timeout_ms);
    int32_t release_device();
    int32_t check_health(int32_t level);
    int32_t direct_io(int32_t command, int32_t& data, std::string& text);
    int32_t open_drawer();
    int32_t wait_for_drawer_close(int32_t beep_timeout_ms, int32_t beep_frequency, int32_t beep_duration_ms,
                                  int32_t beep_delay_ms);
    int32_t reset_statistics(std::string_view names);
    // buffer holds the request and receives the UPOSStat document.
    int32_t retrieve_statistics(std::string& buffer);
    int32_t update_statistics(std::string_view pairs);
    int32_t compare_firmware_version(std::string_view file_name, int32_t& result);
    int32_t update_firmware(std::string_view file_name);
    // The control object's own freeze, which it sets behind the application's
    // back: it leaves ResultCode as the application's last call left it.
    int32_t co_freeze_events(bool freeze);

    // A get records its outcome too, except of ResultCode and
    // ResultCodeExtended themselves.
    int32_t get_property_number(int32_t index);
    int32_t set_property_number(int32_t index, int32_t value);
    std::string get_property_string(int32_t index);
    int32_t set_property_string(int32_t index, std::string_view value);

    // Why the last OpenService failed, 0 after one that succeeded; leaves
    // ResultCode as OpenService left it.
    int32_t open_result() const { return open_result_; }

private:
    int32_t done(int32_t code, int32_t extended = 0);
    int32_t open_failed(int32_t code, int32_t open_result);
    // Lets go of the device's port, claim, statistics, workers and the
    // control object's reference.
    void forget_device();

    // Enabling and the watch (service_object_drawer.cpp).
    int32_t enable();
    void disable();
    int64_t watch_step();
    int64_t delivery_step();
    // Called locked; false when not enabled. Returns whether it counted a
    // communication error (the drawer stopped answering).
    bool apply_reading(Reading reading);
    void queue_event(int32_t data);
    void start_powered_spell();
    void cut_powered_spell();
    // One port call at a time; a board drawer that is not reachable gets its
    // driver's service started and is asked again.
    Reading read_port(bool start_service);
    OpenOutcome pulse_port();
    // The pulse and the wait until the drawer reads open, counted as a good
    // or failed open.
    int32_t open_and_confirm();
    // A request the application made failed: one communication error, unless
    // apply_reading already counted it.
    void count_failure(Reading reading, bool counted);
    bool claimed_elsewhere();

    // Statistics (service_object_statistics.cpp).
    PendingStatistics take_pending(bool up_to_now);
    std::optional<StatisticsRecord> write_statistics(const std::function<void(StatisticsRecord&)>& change);
    bool flush_statistics();
    int32_t statistics_precondition(std::string_view request);

    std::string device_description() const;

    Platform& platform_;
    Clock& clock_;
    std::unique_ptr<Monitor> state_; // guards the members marked (S)
    std::unique_ptr<Monitor> port_lock_;

    // Set and read on the control object's thread only.
    bool open_ = false;
    bool claimed_ = false;
    int32_t result_code_ = OPOS_SUCCESS;
    int32_t result_code_extended_ = 0;
    int32_t open_result_ = 0;
    int32_t binary_conversion_ = 0;
    std::string check_health_text_;
    DrawerIdentity drawer_;
    std::unique_ptr<DrawerPort> port_;
    bool pushes_ = false;
    std::unique_ptr<ClaimArbiter> claim_;
    std::unique_ptr<StatisticsStore> statistics_;
    std::unique_ptr<EventSink> events_;
    std::unique_ptr<Worker> watch_;
    std::unique_ptr<Worker> delivery_;

    // The watch's own schedule.
    int64_t next_poll_ms_ = 0;
    int64_t next_powered_write_ms_ = 0;
    int64_t statistics_retry_ms_ = 0;

    // (S)
    bool enabled_ = false;
    int32_t power_notify_ = 0;
    bool freeze_events_ = false;
    bool co_frozen_ = false;
    bool closing_ = false;
    std::deque<int32_t> queue_;
    bool reachable_ = false;
    bool drawer_open_ = false;
    bool failing_ = false;
    int32_t power_state_ = 0;
    bool powered_ = false;
    int64_t powered_from_wall_ms_ = 0;
    PendingStatistics pending_;
};

} // namespace kav::opos
