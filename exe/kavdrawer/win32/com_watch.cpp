#include "com_watch.h"

#include "win32_serial_device.h"

#include <string>

namespace {

using kav::cli::Reading;

constexpr UINT kLineMessage = WM_APP + 1;

std::optional<bool> read_carrier_from(HANDLE port)
{
    DWORD modem = 0;
    if (!GetCommModemStatus(port, &modem)) return std::nullopt;
    return (modem & MS_RLSD_ON) != 0;
}

// The watcher posts to a window; a console program has none, so it gets a
// message-only window on the thread that waits.
class ComWatch final : public kav::cli::DrawerWatch {
public:
    ComWatch(int port, kav::cli::Clock& clock, HANDLE interrupt) : port_(port), clock_(clock), interrupt_(interrupt)
    {
        window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        // Windows 98 has no message-only windows: a hidden one does as well.
        if (window_ == nullptr)
            window_ = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        watched_.watcher.post_to(window_);
        watched_.port.set_listener([this](const kav::gui::CommEvent& event) {
            if (event.code == kav::gui::kComEvCD) state_ = event.cd_holding ? Reading::Closed : Reading::Open;
        });
    }
    ~ComWatch() override
    {
        watched_.port.close();
        if (window_ != nullptr) DestroyWindow(window_);
    }

    Reading read() override
    {
        if (watched_.port.is_open()) return state_; // the events keep it current
        if (window_ == nullptr || !watched_.port.set_comm_port(port_) || !watched_.port.open())
            return Reading::NotReachable;
        // Read once the port is watched: a change after this read arrives as
        // an event, with the state read after it.
        bool high = false;
        if (!watched_.device.carrier_detect(high)) return Reading::NotReachable;
        state_ = high ? Reading::Closed : Reading::Open;
        return state_;
    }

    Reading wait_until(int64_t deadline_ms) override
    {
        const Reading before = state_;
        while (state_ == before) {
            const int64_t left = deadline_ms - clock_.now_ms();
            if (left <= 0) break;
            const DWORD wait = left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(left);
            const DWORD woke = MsgWaitForMultipleObjects(1, &interrupt_, FALSE, wait, QS_ALLPOSTMESSAGE);
            if (woke == WAIT_OBJECT_0) return Reading::Interrupted;
            MSG message;
            while (PeekMessageA(&message, window_, 0, 0, PM_REMOVE)) {
                if (message.message == kLineMessage)
                    watched_.port.deliver(static_cast<kav::gui::WorkerStamp>(message.wParam),
                                          static_cast<uintptr_t>(message.lParam));
            }
        }
        return state_;
    }

private:
    int port_;
    kav::cli::Clock& clock_;
    HANDLE interrupt_;
    HWND window_ = nullptr;
    WatchedSerialPort watched_{kLineMessage};
    Reading state_ = Reading::Open;
};

} // namespace

std::optional<bool> read_carrier(int port)
{
    if (port < 1) return std::nullopt;
    const std::string path = "\\\\.\\COM" + std::to_string(port);
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    const std::optional<bool> carrier = read_carrier_from(handle);
    CloseHandle(handle);
    return carrier;
}

std::unique_ptr<kav::cli::DrawerWatch> make_com_watch(int port, kav::cli::Clock& clock, HANDLE interrupt)
{
    return std::make_unique<ComWatch>(port, clock, interrupt);
}
