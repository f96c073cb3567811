// The simulated COM port's requests: any control code with any lengths and
// buffer contents, writes, reads and the drawer's clock, in any order and
// from two openers, on a drawer's port or a receipt printer's. Nothing is read or written outside the buffer the request
// brought, an answer never claims more bytes than the caller's output, and
// a held wait is only ever the one the port says it holds.
#include "fuzz_input.h"
#include "sim_serial_port.h"

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using namespace kav::sim;

// The codes the port knows, so the fuzzer reaches them, then any code.
constexpr uint32_t kCodes[] = {
    kSetBaudRate, kSetQueueSize, kSetLineControl, kSetBreakOn, kSetBreakOff, kImmediateChar, kSetTimeouts,
    kGetTimeouts, kSetDtr, kClrDtr, kResetDevice, kSetRts, kClrRts, kSetXoff, kSetXon, kGetWaitMask,
    kSetWaitMask, kWaitOnMask, kPurge, kGetBaudRate, kGetLineControl, kGetChars, kSetChars, kGetHandflow,
    kSetHandflow, kGetModemStatus, kGetCommStatus, kGetProperties, kGetDtrRts,
};

// The edge's part: the wait it holds, if any; a completion must be for it.
struct Edge {
    bool holding = false;
    void complete(const WaitCompletion& completion)
    {
        if (!completion.due) return;
        if (!holding) std::abort(); // a completion for a wait nobody holds
        holding = false;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kav::fuzz::Input in(data, size);
    const uint64_t close_after_us = 1 + in.u16();
    const uint8_t device = in.byte();
    // Some inputs put a printer on the port: its drawer on either pin, either level.
    SimSerialPort port = device < 128 ? SimSerialPort(close_after_us)
                                      : SimSerialPort(close_after_us, PrinterSetup{static_cast<uint8_t>(device & 1 ? 5 : 2),
                                                                                   (device & 2) != 0, 9600});
    Edge edge;
    uint64_t now_us = 1000;
    int opens = 0;
    while (!in.empty()) {
        const FileId file = 0x100 + (in.byte() & 1) * 0x100;
        now_us += in.u16();
        switch (in.byte() % 8) {
        case 0:
            port.open();
            ++opens;
            break;
        case 1:
            if (opens > 0) --opens;
            edge.complete(port.close(file));
            break;
        case 2: {
            const uint32_t length = in.byte() % 8;
            const std::unique_ptr<uint8_t[]> bytes(new uint8_t[length ? length : 1]);
            in.bytes(bytes.get(), length);
            const SerialAnswer answer = port.write(length ? bytes.get() : nullptr, length, now_us);
            if (answer.hold) std::abort();
            edge.complete(answer.held);
            break;
        }
        case 3: edge.complete(port.advance(now_us)); break;
        case 4: {
            const uint32_t length = in.byte() % 8;
            const std::unique_ptr<uint8_t[]> bytes(new uint8_t[length ? length : 1]);
            const SerialAnswer answer = port.read(length ? bytes.get() : nullptr, length);
            if (answer.information > length || answer.hold || answer.held.due) std::abort();
            break;
        }
        default: {
            const uint8_t pick = in.byte();
            const uint32_t code = pick < 200 ? kCodes[pick % std::size(kCodes)] : in.u32();
            const uint32_t input_length = in.byte() % 96;
            const uint32_t output_length = in.byte() % 96;
            const bool no_buffer = in.byte() % 16 == 0;
            // Exactly the system buffer a buffered request gets: the larger of
            // the two lengths, on the heap so that a step past it is caught.
            const uint32_t buffer_length = input_length > output_length ? input_length : output_length;
            const std::unique_ptr<uint8_t[]> buffer(new uint8_t[buffer_length ? buffer_length : 1]);
            in.bytes(buffer.get(), buffer_length);
            const SerialAnswer answer = port.control(file, code, no_buffer ? nullptr : buffer.get(), input_length,
                                                     output_length, now_us);
            if (answer.information > output_length) std::abort(); // more bytes than the caller's output
            edge.complete(answer.held);
            if (answer.hold) {
                if (answer.status != kStatusPending || edge.holding || !port.wait_held()) std::abort();
                edge.holding = true;
            }
            break;
        }
        }
        if (edge.holding != port.wait_held()) std::abort(); // the edge and the port agree on the held wait
    }
    return 0;
}
