// scripts/bench_opos.sh's program, under wine64 on the simulated terminal:
//   1. OpenDrawer of a board drawer through the service object, called
//      through the control-object stand-in as a POS application calls it,
//      against the bare tillio.dll call that pulses the same drawer,
//      alternating call by call; the medians and their ratio;
//   2. the delay from a drawer's change to its StatusUpdateEvent in the
//      application, for a board drawer (found by the watch's reads) and a
//      serial drawer (told by its carrier-detect event): the drawer is
//      pulsed from outside the service object by the bare library call.
//      A board drawer opens as its pulse ends, when DeviceControl returns:
//      the delay runs from that return. A serial drawer opens as its port
//      gets the message: the delay runs from the start of the call (so it
//      counts the call's opening of the port too).
//
// Usage: opos_bench.exe [--calls N] [--trials N]
#include "control_object_stand_in.h"
#include "kav_cash_device.h"
#include "opos_constants.h"
#include "opos_wine_support.h"
#include "tillio.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace kav::opos;
using namespace kav::opos::wine;

namespace {

constexpr int kBoardOpen = 12;  // VOLX-8613 drawer 1's open command
constexpr int kSerialPort = 3;  // the simulated COM3 (bench_opos.sh)
constexpr DWORD kSettleMs = 15000;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double largest(const std::vector<double>& values)
{
    return *std::max_element(values.begin(), values.end());
}

size_t status_updates(StandInControlObject& co, LONG data)
{
    size_t count = 0;
    for (const DeliveredEvent& event : co.events().delivered())
        if (event.entry == 5 && event.number == data) ++count;
    return count;
}

// The delivery time of the n-th (from 1) status update with data.
double delivered_at(StandInControlObject& co, LONG data, size_t n)
{
    for (const DeliveredEvent& event : co.events().delivered())
        if (event.entry == 5 && event.number == data && --n == 0) return event.at_ms;
    return 0;
}

// Pulses the drawer from outside the service object `trials` times, each
// time once it has closed again, and gives the delay of each open event
// from the moment pulse() returns as the drawer's change.
template <typename Pulse>
std::vector<double> event_delays(StandInControlObject& co, int trials, Pulse pulse)
{
    std::vector<double> delays;
    for (int trial = 1; trial <= trials; ++trial) {
        // Closed again, so the pulse is a change; then a pause off the
        // watch's rhythm, so the reads meet the change at every phase.
        if (!co.pump_until([&] { return co.get_number(PIDX_DrawerOpened) == 0; }, kSettleMs)) break;
        co.pump_until([] { return false; }, 300 + 37 * static_cast<DWORD>(trial));
        const size_t before = status_updates(co, CASH_SUE_DRAWEROPEN);
        const double start = pulse();
        if (!co.pump_until([&] { return status_updates(co, CASH_SUE_DRAWEROPEN) > before; }, kSettleMs)) break;
        delays.push_back(delivered_at(co, CASH_SUE_DRAWEROPEN, before + 1) - start);
    }
    return delays;
}

bool open_enabled(StandInControlObject& co, const wchar_t* device)
{
    if (co.Open(device) != OPOS_SUCCESS) return false;
    co.set_number(PIDX_DeviceEnabled, 1);
    return co.ResultCode() == OPOS_SUCCESS;
}

void print_delays(const char* what, const std::vector<double>& delays, int trials, double goal_ms)
{
    if (delays.size() != static_cast<size_t>(trials)) {
        std::printf("  %s: only %zu of %d events arrived\n", what, delays.size(), trials);
        return;
    }
    std::printf("  %s: median %6.1f ms, largest %6.1f ms over %d changes (goal <= %.0f ms)\n", what, median(delays),
                largest(delays), trials, goal_ms);
}

} // namespace

int main(int argc, char** argv)
{
    int calls = 20;
    int trials = 8;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--calls") == 0) calls = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--trials") == 0) trials = std::max(1, std::atoi(argv[i + 1]));
    }
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const HMODULE library = LoadLibraryA((std::string(system) + "\\tillio.dll").c_str());
    using ControlFn = int(TILLIO_CALL*)(const char*, int);
    using PortFn = int(TILLIO_CALL*)(int);
    const auto device_control =
        reinterpret_cast<ControlFn>(reinterpret_cast<void*>(GetProcAddress(library, "DeviceControl")));
    const auto rs232_open =
        reinterpret_cast<PortFn>(reinterpret_cast<void*>(GetProcAddress(library, "RS232OpenCashDrawer")));
    if (!device_control || !rs232_open) {
        std::fprintf(stderr, "opos_bench: tillio.dll from the system directory did not load\n");
        return 4;
    }
    if (regsvr32(false) != 0) {
        std::fprintf(stderr, "opos_bench: the service object did not register\n");
        return 4;
    }
    add_device({L"BenchBoard", kProgId, L"VOLX-8613:1", {}});
    add_device({L"BenchSerial", kProgId, L"com3", {}});
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int status = 0;
    {
        StandInControlObject board;
        if (!open_enabled(board, L"BenchBoard")) {
            std::fprintf(stderr, "opos_bench: BenchBoard did not open and enable (%ld)\n", board.ResultCode());
            return 4;
        }
        LONG so_result = -1;
        int bare_result = -1;
        std::vector<double> so_ms, bare_ms;
        for (int i = 0; i < calls; ++i) {
            for (int turn = 0; turn < 2; ++turn) {
                const bool so_now = (turn == 0) == (i % 2 == 0);
                const double start = counter_ms();
                if (so_now) so_result = board.OpenDrawer();
                else bare_result = device_control(kav::kDevicePath, kBoardOpen);
                (so_now ? so_ms : bare_ms).push_back(counter_ms() - start);
            }
        }
        std::printf("OpenDrawer of VOLX-8613:1: %d calls each way, median per call\n", calls);
        std::printf("  DeviceControl(%d) bare:                %8.2f ms  (result %d)\n", kBoardOpen, median(bare_ms),
                    bare_result);
        std::printf("  OpenDrawer through the service object: %8.2f ms  (result %ld)\n", median(so_ms), so_result);
        std::printf("  ratio service object / library: %.3f (goal <= 1.10)\n", median(so_ms) / median(bare_ms));
        if (so_result != OPOS_SUCCESS || bare_result != TILLIO_DONE) status = 5;

        std::printf("Delay from a drawer's change to its StatusUpdateEvent in the application\n");
        print_delays("board drawer VOLX-8613:1 (read every 200 ms)",
                     event_delays(board, trials,
                                  [&] {
                                      device_control(kav::kDevicePath, kBoardOpen);
                                      return counter_ms();
                                  }), trials, 250);
        board.Close();

        StandInControlObject serial;
        if (!open_enabled(serial, L"BenchSerial")) {
            std::fprintf(stderr, "opos_bench: BenchSerial did not open and enable (%ld)\n", serial.ResultCode());
            return 4;
        }
        // Under Wine the simulated port serves a second opener beside the
        // service object that holds it (on Windows it would not open).
        print_delays("serial drawer com3 (carrier-detect events)",
                     event_delays(serial, trials,
                                  [&] {
                                      const double start = counter_ms();
                                      rs232_open(kSerialPort);
                                      return start;
                                  }), trials, 50);
        serial.Close();
    }
    CoUninitialize();
    return status;
}
