#include "com_watch.h"

#include "carrier_watch.h"
#include "serial_drawer.h"

#include <atomic>

namespace {

using kav::drawers::Reading;

// The watch's thread hands the carrier state it read after each change to the
// main thread through one atomic value and an event.
class ComWatch final : public kav::drawers::DrawerWatch {
public:
    ComWatch(int port, kav::drawers::Clock& clock, HANDLE interrupt)
        : port_(port), clock_(clock), interrupt_(interrupt), changed_(CreateEventA(nullptr, FALSE, FALSE, nullptr))
    {
    }
    ~ComWatch() override
    {
        watch_.stop(); // before the port it watches closes
        com_.close();
        if (changed_ != nullptr) CloseHandle(changed_);
    }
    ComWatch(const ComWatch&) = delete;
    ComWatch& operator=(const ComWatch&) = delete;

    Reading read() override
    {
        if (com_.is_open()) return state_; // the events keep it current
        if (changed_ == nullptr || !com_.open(port_)) return Reading::NotReachable;
        const bool watched = watch_.start(com_, [this](const kav::drawers::LineEvent& event) {
            // A port that fails (its device gone) ends the watch: no change comes after it.
            if (event.port_failed) latest_.store(kFailed);
            else if ((event.events & kav::drawers::kEventCarrier) != 0) latest_.store(event.carrier_high ? kHigh : kLow);
            else return;
            SetEvent(changed_);
        });
        if (!watched) return Reading::NotReachable;
        // Read once the port is watched: a change after this read arrives as
        // an event, with the state read after it.
        const std::optional<bool> high = com_.carrier_detect();
        if (!high) return Reading::NotReachable;
        state_ = *high ? Reading::Closed : Reading::Open;
        return state_;
    }

    Reading wait_until(int64_t deadline_ms) override
    {
        const Reading before = state_;
        const HANDLE waits[2] = {interrupt_, changed_};
        while (state_ == before) {
            const int64_t left = deadline_ms - clock_.now_ms();
            if (left <= 0) break;
            const DWORD wait = left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(left);
            const DWORD woke = WaitForMultipleObjects(2, waits, FALSE, wait);
            if (woke == WAIT_OBJECT_0) return Reading::Interrupted;
            if (woke != WAIT_OBJECT_0 + 1) continue;
            const int latest = latest_.exchange(kNone);
            if (latest == kFailed) state_ = Reading::NotReachable;
            else if (latest != kNone) state_ = latest == kHigh ? Reading::Closed : Reading::Open;
        }
        return state_;
    }

private:
    static constexpr int kNone = 0;
    static constexpr int kLow = 1;
    static constexpr int kHigh = 2;
    static constexpr int kFailed = 3;

    int port_;
    kav::drawers::Clock& clock_;
    HANDLE interrupt_;
    HANDLE changed_;
    kav::drawers::ComPort com_;
    kav::drawers::CarrierWatch watch_;
    std::atomic<int> latest_{kNone};
    Reading state_ = Reading::Open;
};

} // namespace

std::unique_ptr<kav::drawers::DrawerWatch> make_com_watch(int port, kav::drawers::Clock& clock, HANDLE interrupt)
{
    return std::make_unique<ComWatch>(port, clock, interrupt);
}
