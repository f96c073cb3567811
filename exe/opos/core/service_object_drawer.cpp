// The drawer side of the service object: enabling, the watch that keeps
// DrawerOpened and PowerState current and queues the status updates, the
// delivery of those updates, and the methods that move or wait on the drawer.
#include "service_object.h"

#include <algorithm>

namespace kav::opos {
namespace {

// Windows' Beep takes tones in this range.
constexpr int32_t kMinBeepHz = 37;
constexpr int32_t kMaxBeepHz = 32767;
// WaitForDrawerClose looks again at least this often even without a wake-up.
constexpr int64_t kLongestWaitMs = 1000;

bool is_failure(Reading reading)
{
    return reading == Reading::NotReachable || reading == Reading::RequestFailed;
}

} // namespace

Reading ServiceObject::read_port(bool start_service)
{
    Locked locked(*port_lock_);
    Reading reading = port_->read();
    if (reading == Reading::NotReachable && start_service && port_->start_driver_service()) reading = port_->read();
    return reading;
}

OpenOutcome ServiceObject::pulse_port()
{
    Locked locked(*port_lock_);
    OpenOutcome outcome = port_->open_drawer();
    if (outcome == OpenOutcome::NotReachable && port_->start_driver_service()) outcome = port_->open_drawer();
    return outcome;
}

void ServiceObject::queue_event(int32_t data)
{
    if (queue_.size() >= kMaxQueuedEvents) queue_.pop_front();
    queue_.push_back(data);
    delivery_->wake();
}

void ServiceObject::start_powered_spell()
{
    powered_ = true;
    powered_from_wall_ms_ = clock_.wall_ms();
}

void ServiceObject::cut_powered_spell()
{
    if (!powered_) return;
    const int64_t now = clock_.wall_ms();
    // A clock set back makes no span; counting starts again from now.
    if (now > powered_from_wall_ms_) pending_.powered_spans.emplace_back(powered_from_wall_ms_, now);
    powered_from_wall_ms_ = now;
}

bool ServiceObject::apply_reading(Reading reading)
{
    if (!enabled_) return false;
    const bool was_reachable = reachable_;
    const bool was_open = drawer_open_;
    bool counted = false;
    auto set_power = [&](int32_t state) {
        if (state == power_state_) return;
        power_state_ = state;
        if (power_notify_ == OPOS_PN_ENABLED) queue_event(state);
    };
    switch (reading) {
    case Reading::Open:
    case Reading::Closed:
        failing_ = false;
        if (!reachable_) {
            reachable_ = true;
            start_powered_spell();
            set_power(OPOS_PS_ONLINE);
        }
        drawer_open_ = reading == Reading::Open;
        if (drawer_open_ != was_open) queue_event(drawer_open_ ? CASH_SUE_DRAWEROPEN : CASH_SUE_DRAWERCLOSED);
        break;
    case Reading::NotReachable:
        failing_ = false;
        if (reachable_) {
            reachable_ = false;
            cut_powered_spell();
            powered_ = false;
            ++pending_.communication_errors;
            counted = true;
            set_power(OPOS_PS_OFF_OFFLINE);
        }
        break;
    case Reading::RequestFailed:
        if (!failing_) {
            failing_ = true;
            ++pending_.communication_errors;
            counted = true;
        }
        break;
    }
    // A waiter learns of the change before any event about it is delivered.
    if (reachable_ != was_reachable || drawer_open_ != was_open) state_->notify();
    return counted;
}

void ServiceObject::count_failure(Reading reading, bool counted)
{
    if (!is_failure(reading) || counted) return;
    Locked locked(*state_);
    ++pending_.communication_errors;
}

int32_t ServiceObject::enable()
{
    {
        Locked locked(*state_);
        if (enabled_) return OPOS_SUCCESS;
    }
    const Reading reading = read_port(true);
    int32_t refused = OPOS_SUCCESS;
    {
        Locked locked(*state_);
        if (is_failure(reading)) ++pending_.communication_errors;
        // Without power notification the application would never learn that
        // the drawer came back: the enable fails instead.
        if (reading == Reading::RequestFailed) {
            refused = OPOS_E_FAILURE;
        } else if (reading == Reading::NotReachable && power_notify_ != OPOS_PN_ENABLED) {
            refused = OPOS_E_NOHARDWARE;
        } else {
            enabled_ = true;
            failing_ = false;
            reachable_ = reading != Reading::NotReachable;
            drawer_open_ = reading == Reading::Open;
            power_state_ = reachable_ ? OPOS_PS_ONLINE : OPOS_PS_OFF_OFFLINE;
            if (reachable_) start_powered_spell();
            // The power state as the device is enabled.
            if (power_notify_ == OPOS_PN_ENABLED) queue_event(power_state_);
        }
    }
    if (refused != OPOS_SUCCESS) {
        flush_statistics();
        return refused;
    }
    const int64_t now = clock_.now_ms();
    next_poll_ms_ = now + kPollPeriodMs;
    next_powered_write_ms_ = now + kPoweredWriteMs;
    statistics_retry_ms_ = now;
    const bool watching = !pushes_ || port_->start_watch([this](Reading changed) {
        // On the port's thread: nothing may leave it.
        try {
            Locked locked(*state_);
            if (apply_reading(changed)) watch_->wake();
        } catch (...) {
        }
    });
    if (!watching || !watch_->start([this] { return watch_step(); })) {
        if (watching && pushes_) port_->stop_watch();
        Locked locked(*state_);
        enabled_ = false;
        powered_ = false;
        return OPOS_E_FAILURE;
    }
    return OPOS_SUCCESS;
}

void ServiceObject::disable()
{
    {
        Locked locked(*state_);
        if (!enabled_) return;
        enabled_ = false;
        cut_powered_spell();
        powered_ = false;
        power_state_ = OPOS_PS_UNKNOWN;
    }
    // Neither the port's watch nor ours ever calls the control object, so
    // joining them here cannot wait on the application's thread.
    if (pushes_) port_->stop_watch();
    watch_->stop_and_join();
    flush_statistics();
}

int64_t ServiceObject::watch_step()
{
    const int64_t now = clock_.now_ms();
    if (!pushes_ && now >= next_poll_ms_) {
        const Reading reading = read_port(false);
        Locked locked(*state_);
        apply_reading(reading);
        next_poll_ms_ += kPollPeriodMs;
        if (next_poll_ms_ <= now) next_poll_ms_ = now + kPollPeriodMs;
    }
    if (now >= next_powered_write_ms_) {
        Locked locked(*state_);
        cut_powered_spell();
        next_powered_write_ms_ = now + kPoweredWriteMs;
    }
    if (now >= statistics_retry_ms_ && !flush_statistics()) statistics_retry_ms_ = now + kStatisticsRetryMs;
    int64_t next = next_powered_write_ms_;
    if (statistics_retry_ms_ > now) next = std::min(next, statistics_retry_ms_);
    if (!pushes_) next = std::min(next, next_poll_ms_);
    return std::max<int64_t>(next - clock_.now_ms(), 0);
}

int64_t ServiceObject::delivery_step()
{
    int32_t data = 0;
    {
        Locked locked(*state_);
        if (closing_ || freeze_events_ || co_frozen_ || queue_.empty()) return kSleepUntilWoken;
        data = queue_.front();
        queue_.pop_front();
    }
    if (events_) events_->status_update(data);
    return 0;
}

int32_t ServiceObject::open_and_confirm()
{
    const OpenOutcome outcome = pulse_port();
    Reading reading = outcome == OpenOutcome::NotReachable ? Reading::NotReachable : Reading::RequestFailed;
    bool counted = false;
    if (outcome == OpenOutcome::Done) {
        const int64_t deadline = clock_.now_ms() + kOpenConfirmMs;
        for (;;) {
            reading = read_port(false);
            Locked locked(*state_);
            counted = apply_reading(reading) || counted;
            if (reading != Reading::Closed || clock_.now_ms() >= deadline) break;
            state_->wait_for(std::min(kOpenConfirmStepMs, deadline - clock_.now_ms()));
        }
    } else {
        Locked locked(*state_);
        counted = apply_reading(reading);
    }
    count_failure(reading, counted);
    {
        Locked locked(*state_);
        ++(reading == Reading::Open ? pending_.good_opens : pending_.failed_opens);
    }
    watch_->wake();
    switch (reading) {
    case Reading::Open: return OPOS_SUCCESS;
    case Reading::NotReachable: return OPOS_E_NOHARDWARE;
    case Reading::Closed:
    case Reading::RequestFailed: break;
    }
    return OPOS_E_FAILURE;
}

int32_t ServiceObject::open_drawer()
{
    if (!open_) return done(OPOS_E_CLOSED);
    {
        Locked locked(*state_);
        if (!enabled_) return done(OPOS_E_DISABLED);
    }
    if (claimed_elsewhere()) return done(OPOS_E_CLAIMED);
    return done(open_and_confirm());
}

int32_t ServiceObject::wait_for_drawer_close(int32_t beep_timeout_ms, int32_t beep_frequency, int32_t beep_duration_ms,
                                             int32_t beep_delay_ms)
{
    if (!open_) return done(OPOS_E_CLOSED);
    {
        Locked locked(*state_);
        if (!enabled_) return done(OPOS_E_DISABLED);
    }
    if (claimed_elsewhere()) return done(OPOS_E_CLAIMED);
    const bool sounds = beep_timeout_ms != OPOS_FOREVER && beep_duration_ms > 0;
    if (beep_timeout_ms < OPOS_FOREVER || beep_duration_ms < 0 || beep_delay_ms < 0 ||
        (sounds && (beep_frequency < kMinBeepHz || beep_frequency > kMaxBeepHz))) {
        return done(OPOS_E_ILLEGAL);
    }
    // No tone and no pause would be a rhythm without time: no alarm at all.
    const bool alarm = beep_timeout_ms != OPOS_FOREVER && (beep_duration_ms > 0 || beep_delay_ms > 0);
    int64_t next_beep = clock_.now_ms() + beep_timeout_ms;
    Locked locked(*state_);
    for (;;) {
        if (!reachable_) return done(OPOS_E_NOHARDWARE);
        if (!drawer_open_) return done(OPOS_SUCCESS);
        const int64_t now = clock_.now_ms();
        if (alarm && now >= next_beep) {
            {
                Unlocked unlocked(*state_);
                if (beep_duration_ms > 0) platform_.beeper().beep(beep_frequency, beep_duration_ms);
            }
            next_beep = clock_.now_ms() + beep_delay_ms;
            continue;
        }
        state_->wait_for(alarm ? std::min(next_beep - now, kLongestWaitMs) : kLongestWaitMs);
    }
}

int32_t ServiceObject::check_health(int32_t level)
{
    if (!open_) return done(OPOS_E_CLOSED);
    {
        Locked locked(*state_);
        if (!enabled_) return done(OPOS_E_DISABLED);
    }
    if (level != OPOS_CH_INTERNAL && level != OPOS_CH_EXTERNAL) return done(OPOS_E_ILLEGAL);
    const std::string drawer = drawer_.name + " (" + std::string(kind_text(drawer_.kind)) + ")";
    if (level == OPOS_CH_EXTERNAL) {
        if (claimed_elsewhere()) return done(OPOS_E_CLAIMED);
        const int32_t result = open_and_confirm();
        check_health_text_ = result == OPOS_SUCCESS       ? "External HCheck: Successful, " + drawer + " opened"
                             : result == OPOS_E_NOHARDWARE ? "External HCheck: Not reachable, " + drawer
                                                           : "External HCheck: Failed, " + drawer + " did not open";
        return done(result);
    }
    // Internal: the drawer is asked, never moved.
    const Reading reading = read_port(true);
    bool counted = false;
    {
        Locked locked(*state_);
        counted = apply_reading(reading);
    }
    count_failure(reading, counted);
    switch (reading) {
    case Reading::Open:
    case Reading::Closed:
        check_health_text_ = "Internal HCheck: Successful, " + drawer + " answers, drawer " +
                             (reading == Reading::Open ? "open" : "closed");
        return done(OPOS_SUCCESS);
    case Reading::NotReachable:
        check_health_text_ = "Internal HCheck: Not reachable, " + drawer;
        return done(OPOS_E_NOHARDWARE);
    case Reading::RequestFailed: break;
    }
    check_health_text_ = "Internal HCheck: Failed, " + drawer + " did not answer the status request";
    return done(OPOS_E_FAILURE);
}

} // namespace kav::opos
