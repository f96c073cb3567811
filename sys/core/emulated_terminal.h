// A simulated point-of-sale terminal: the I/O ports of all six boards at once,
// with drawers that spring open on a correct pulse, report through their
// board's shared sensor and close again after a settable time. The emulation
// build of the driver and the native tests run the drawer sequences on it.
#pragma once
#include "port_io.h"
#include <stdint.h>

namespace kav {

// Time source of the simulation; stall() is how the drawer sequences wait.
class SimClock {
public:
    virtual uint64_t now_us() = 0;
    virtual void stall(uint32_t microseconds) = 0;

protected:
    ~SimClock() = default;
};

// Told whenever a drawer springs open, so a host can show what the driver did.
class SimObserver {
public:
    virtual void drawer_opened(const char* board, uint16_t port, int drawer, uint64_t pulse_us) = 0;
    // A configuration port was used outside a complete enter/leave bracket.
    virtual void stray_config_access(uint16_t port) = 0;

protected:
    ~SimObserver() = default;
};

class SimTerminal final : public PortIo {
public:
    // A pulse shorter than this does not move the drawer's solenoid.
    static constexpr uint32_t kMinPulseUs = 100000;
    static constexpr uint64_t kDefaultCloseAfterUs = 3000000;
    // Power-on value of super-I/O register 0xF1 of logical device 7; the bits
    // besides the drawer lines are set so a careless write would show.
    static constexpr uint8_t kSuperIoGpioReset = 0xC4;

    enum Group : uint8_t { SuperIo, Port408, Port201, Dio200, Dio220, Dio240, Dio260, Dio280, kGroups };

    constexpr explicit SimTerminal(SimClock& clock, SimObserver* observer = nullptr)
        : clock_(clock), observer_(observer)
    {
    }

    uint8_t read(uint16_t port) override;
    void write(uint16_t port, uint8_t value) override;
    void stall(uint32_t microseconds) override { clock_.stall(microseconds); }

    void set_observer(SimObserver* observer) { observer_ = observer; }
    // 0 keeps drawers open until reset().
    void set_close_after_us(uint64_t us) { close_after_us_ = us; }
    void reset();

    bool drawer_open(Group group, int drawer);
    bool in_config_mode() const { return sio_.config_mode; }
    // Accesses to the configuration ports outside a complete enter/leave
    // bracket: data or index outside configuration mode, or a key inside it.
    uint32_t stray_config_accesses() const { return stray_config_accesses_; }
    uint8_t super_io_gpio() const { return sio_.gpio; }
    void set_super_io_gpio(uint8_t value) { sio_.gpio = value; }
    // Port of the last pulse that opened a drawer, 0 before any.
    uint16_t last_opened_port() const { return last_opened_port_; }

private:
    struct Drawer {
        bool line_active = false;
        bool open = false;
        uint64_t line_since = 0;
        uint64_t opened_at = 0;
    };
    struct SuperIoState {
        bool config_mode = false;
        uint8_t key_count = 0;
        uint8_t index = 0;
        uint8_t ldn = 0;
        uint8_t gpio = kSuperIoGpioReset;
        uint8_t aux = 0;
    };

    void drive(Group group, int drawer, bool active, uint16_t port);
    bool sensor(Group group);
    void write_super_io(uint16_t port, uint8_t value);
    uint8_t read_super_io();
    void count_stray(uint16_t port);

    SimClock& clock_;
    SimObserver* observer_ = nullptr;
    uint64_t close_after_us_ = kDefaultCloseAfterUs;
    Drawer drawers_[kGroups][2] = {};
    SuperIoState sio_ = {};
    uint16_t last_opened_port_ = 0;
    uint32_t stray_config_accesses_ = 0;
};

} // namespace kav
