#include "emulated_terminal.h"

namespace kav {
namespace {

constexpr uint16_t kIndexPort = 0x2E;
constexpr uint16_t kDataPort = 0x2F;
constexpr uint16_t kAuxPort = 0x48F;

const char* const kBoardNames[SimTerminal::kGroups] = {
    "VOLX-9623", "VOLX-8613", "VOLX-9613", "DIO", "DIO", "DIO/VOLX-9842", "DIO", "DIO",
};

// Simple DIO-style ports: drawer lines active high, sensor on bit 0.
struct LinePort {
    uint16_t port;
    SimTerminal::Group group;
    uint8_t drawer1_mask;
    uint8_t drawer2_mask;
};

constexpr LinePort kLinePorts[] = {
    {0x201, SimTerminal::Port201, 0x10, 0x20},
    {0x200, SimTerminal::Dio200, 0x01, 0x02},
    {0x220, SimTerminal::Dio220, 0x01, 0x02},
    {0x240, SimTerminal::Dio240, 0x01, 0x02},
    {0x260, SimTerminal::Dio260, 0x01, 0x02},
    {0x280, SimTerminal::Dio280, 0x01, 0x02},
};

const LinePort* find_line_port(uint16_t port)
{
    for (const LinePort& p : kLinePorts) {
        if (p.port == port) return &p;
    }
    return nullptr;
}

} // namespace

void SimTerminal::reset()
{
    for (auto& group : drawers_) {
        group[0] = Drawer{};
        group[1] = Drawer{};
    }
    sio_ = SuperIoState{};
    last_opened_port_ = 0;
    stray_config_accesses_ = 0;
}

void SimTerminal::drive(Group group, int drawer, bool active, uint16_t port)
{
    Drawer& d = drawers_[group][drawer];
    const uint64_t now = clock_.now_us();
    if (active && !d.line_active) {
        d.line_active = true;
        d.line_since = now;
    } else if (!active && d.line_active) {
        d.line_active = false;
        if (now - d.line_since >= kMinPulseUs) {
            d.open = true;
            d.opened_at = now;
            last_opened_port_ = port;
            if (observer_ != nullptr) observer_->drawer_opened(kBoardNames[group], port, drawer + 1, now - d.line_since);
        }
    }
}

bool SimTerminal::drawer_open(Group group, int drawer)
{
    Drawer& d = drawers_[group][drawer];
    if (d.open && close_after_us_ != 0 && clock_.now_us() - d.opened_at >= close_after_us_) d.open = false;
    return d.open;
}

bool SimTerminal::sensor(Group group) { return drawer_open(group, 0) || drawer_open(group, 1); }

uint8_t SimTerminal::read(uint16_t port)
{
    if (port == kDataPort) {
        if (!sio_.config_mode) count_stray(port);
        return read_super_io();
    }
    if (port == kAuxPort) return sio_.aux;
    if (port == 0x408) return static_cast<uint8_t>(0xE0 | (sensor(Port408) ? 0x10 : 0));
    if (const LinePort* p = find_line_port(port)) return sensor(p->group) ? 0x01 : 0x00;
    return 0xFF; // nothing decodes this port
}

void SimTerminal::write(uint16_t port, uint8_t value)
{
    if (port == kIndexPort || port == kDataPort) {
        write_super_io(port, value);
    } else if (port == kAuxPort) {
        sio_.aux = value;
    } else if (port == 0x408) {
        drive(Port408, 0, (value & 0x10) == 0, port); // active low
        drive(Port408, 1, (value & 0x20) == 0, port);
    } else if (const LinePort* p = find_line_port(port)) {
        drive(p->group, 0, (value & p->drawer1_mask) != 0, port);
        drive(p->group, 1, (value & p->drawer2_mask) != 0, port);
    }
}

void SimTerminal::count_stray(uint16_t port)
{
    ++stray_config_accesses_;
    if (observer_ != nullptr) observer_->stray_config_access(port);
}

void SimTerminal::write_super_io(uint16_t port, uint8_t value)
{
    const bool key = port == kIndexPort && value == 0x87;
    // The key may come twice before the chip is in configuration mode; any
    // other access needs the mode, and the key is not sent again inside it.
    if (key == sio_.config_mode) count_stray(port);
    if (!sio_.config_mode) {
        // Only the key on the index port is heard outside configuration mode.
        if (key) {
            if (++sio_.key_count == 2) {
                sio_.config_mode = true;
                sio_.key_count = 0;
            }
        } else {
            sio_.key_count = 0;
        }
        return;
    }
    if (port == kIndexPort) {
        if (value == 0xAA) {
            sio_.config_mode = false;
        } else {
            sio_.index = value;
        }
        return;
    }
    if (sio_.index == 0x07) {
        sio_.ldn = value;
    } else if (sio_.ldn == 7 && sio_.index == 0xF1) {
        sio_.gpio = static_cast<uint8_t>((value & ~0x10) | (sio_.gpio & 0x10)); // bit 4 is an input
        drive(SuperIo, 0, (value & 0x01) != 0, kDataPort);
        drive(SuperIo, 1, (value & 0x02) != 0, kDataPort);
    }
}

uint8_t SimTerminal::read_super_io()
{
    if (!sio_.config_mode) return 0xFF;
    if (sio_.index == 0x07) return sio_.ldn;
    if (sio_.ldn == 7 && sio_.index == 0xF1) {
        return static_cast<uint8_t>((sio_.gpio & ~0x10) | (sensor(SuperIo) ? 0x10 : 0));
    }
    return 0xFF;
}

} // namespace kav
