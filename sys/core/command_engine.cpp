#include "command_engine.h"
#include "ioctl_codes.h"

namespace kav {
namespace {

constexpr uint16_t kSuperIoIndex = 0x2E;
constexpr uint16_t kSuperIoData = 0x2F;
constexpr uint16_t kSuperIoAux = 0x48F;
constexpr uint16_t kBastraPort = 0x408;
constexpr uint16_t kAdvantechPort = 0x240;
constexpr uint16_t kBastra9613Port = 0x201;

enum class Kind : uint8_t { Pulse, Status, SuperIoPulse, SuperIoStatus };

struct Step {
    Kind kind;
    bool port_from_request; // port taken from the request's first two bytes
    uint16_t port;          // fixed port, unused when port_from_request
    uint8_t pulse;          // Pulse: level written during the pulse; SuperIoPulse: mask
    uint8_t idle;           // Pulse: level written after the pulse
    uint8_t status_bit;     // Status kinds: bit number of the sensor
};

constexpr Step pulse(uint16_t port, uint8_t on, uint8_t off) { return {Kind::Pulse, false, port, on, off, 0}; }
constexpr Step status(uint16_t port, uint8_t bit) { return {Kind::Status, false, port, 0, 0, bit}; }
constexpr Step dio_pulse(uint8_t on) { return {Kind::Pulse, true, 0, on, 0x00, 0}; }
constexpr Step dio_status() { return {Kind::Status, true, 0, 0, 0, 0}; }
constexpr Step sio_pulse(uint8_t mask) { return {Kind::SuperIoPulse, false, 0, mask, 0, 0}; }
constexpr Step sio_status() { return {Kind::SuperIoStatus, false, 0, 0, 0, 4}; }

// Indexed by command number - 10.
constexpr Step kSteps[] = {
    sio_pulse(0x01),                  // 10 VOLX-9623 drawer 1 open
    sio_status(),                     // 11 VOLX-9623 status
    pulse(kBastraPort, 0xE0, 0xF0),   // 12 VOLX-8613 drawer 1 open
    status(kBastraPort, 4),           // 13
    pulse(kBastraPort, 0xD0, 0xF0),   // 14 VOLX-8613 drawer 2 open
    status(kBastraPort, 4),           // 15 same sensor as 13
    dio_pulse(0x01),                  // 16 thin client drawer 1 open
    dio_status(),                     // 17
    dio_pulse(0x02),                  // 18 thin client drawer 2 open
    dio_status(),                     // 19
    dio_pulse(0x01),                  // 20 VOLX-8623 drawer 1 open
    dio_status(),                     // 21
    dio_pulse(0x02),                  // 22 VOLX-8623 drawer 2 open
    dio_status(),                     // 23
    sio_pulse(0x02),                  // 24 VOLX-9623 drawer 2 open
    sio_status(),                     // 25
    pulse(kAdvantechPort, 0x01, 0x00),  // 26 VOLX-9842 drawer 1 open
    status(kAdvantechPort, 0),          // 27
    pulse(kAdvantechPort, 0x02, 0x00),  // 28 VOLX-9842 drawer 2 open
    status(kAdvantechPort, 0),          // 29
    pulse(kBastra9613Port, 0x10, 0x00), // 30 VOLX-9613 drawer 1 open
    status(kBastra9613Port, 0),         // 31
    pulse(kBastra9613Port, 0x20, 0x00), // 32 VOLX-9613 drawer 2 open
    status(kBastra9613Port, 0),         // 33
    dio_pulse(0x01),                  // 34 as 16
    dio_status(),                     // 35
    dio_pulse(0x02),                  // 36 as 18
    dio_status(),                     // 37
};
static_assert(sizeof(kSteps) / sizeof(kSteps[0]) == kLastCommand - kFirstCommand + 1);

void super_io_enter(PortIo& io)
{
    io.write(kSuperIoAux, 0x00);
    io.write(kSuperIoIndex, 0x87); // two-byte key: configuration mode
    io.write(kSuperIoIndex, 0x87);
    io.write(kSuperIoIndex, 0x07); // logical device 7
    io.write(kSuperIoData, 0x07);
    io.write(kSuperIoIndex, 0xF1); // its GPIO register
}

void super_io_leave(PortIo& io)
{
    io.write(kSuperIoIndex, 0xAA);
    io.write(kSuperIoAux, 0x08);
}

constexpr ControlResult refused() { return {kStatusInvalidParameter, 0}; }

} // namespace

ControlResult run_drawer_code(PortIo& io, uint32_t code, const RequestBuffer& request)
{
    if (!is_drawer_code(code)) return refused();
    const Step& step = kSteps[command_of_code(code) - kFirstCommand];
    const bool returns_status = step.kind == Kind::Status || step.kind == Kind::SuperIoStatus;

    // Check every byte the sequence reads or writes before touching a port.
    if (returns_status && (request.data == nullptr || request.output_length < 1)) return refused();
    uint16_t port = step.port;
    if (step.port_from_request) {
        if (request.data == nullptr || request.input_length < 2) return refused();
        const uint32_t asked = request.data[0] | (uint32_t{request.data[1]} << 8);
        if (!is_dio_base(asked)) return refused(); // never an arbitrary I/O port
        port = static_cast<uint16_t>(asked);
    }

    uint8_t sensor = 0;
    switch (step.kind) {
    case Kind::Pulse:
        io.write(port, step.pulse);
        io.stall(kPulseMicroseconds);
        io.write(port, step.idle);
        return {kStatusSuccess, 0};
    case Kind::Status:
        sensor = static_cast<uint8_t>((io.read(port) >> step.status_bit) & 1u);
        break;
    case Kind::SuperIoPulse: {
        super_io_enter(io);
        io.write(kSuperIoData, static_cast<uint8_t>(io.read(kSuperIoData) | step.pulse));
        io.stall(kPulseMicroseconds);
        io.write(kSuperIoIndex, 0xF1);
        io.write(kSuperIoData, static_cast<uint8_t>(io.read(kSuperIoData) & ~step.pulse));
        super_io_leave(io);
        return {kStatusSuccess, 0};
    }
    case Kind::SuperIoStatus:
        super_io_enter(io);
        sensor = static_cast<uint8_t>((io.read(kSuperIoData) >> step.status_bit) & 1u);
        super_io_leave(io);
        break;
    }
    request.data[0] = sensor;
    return {kStatusSuccess, 1};
}

} // namespace kav
