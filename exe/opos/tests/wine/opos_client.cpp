// A second application for the Wine tests: opens a logical device through the
// control-object stand-in in a process of its own and runs the commands it
// is given, printing "<command> <result>" for each.
//
//   opos_client DEVICE COMMAND...
//     claim:MS  release  notify  enable  disable  open-drawer
//     stat:NAME (prints the statistic's value)  update:NAME=VALUE
//     events:N:MS (pumps until N status updates came, at most MS; prints them)
//     die (ends the process at once, closing nothing, as a crash would)
// Each line is written as its command ends, so a test may follow the run.
//
// Exits with 0, or with Open's result when the device did not open.
#include "control_object_stand_in.h"
#include "opos_constants.h"
#include "opos_wine_support.h"

#include <cstdio>
#include <string>

using namespace kav::opos;
using namespace kav::opos::wine;

namespace {

LONG run(StandInControlObject& co, const std::wstring& command)
{
    if (command.rfind(L"claim:", 0) == 0) return co.ClaimDevice(std::stol(command.substr(6)));
    if (command == L"release") return co.ReleaseDevice();
    if (command == L"open-drawer") return co.OpenDrawer();
    if (command.rfind(L"update:", 0) == 0) return co.UpdateStatistics(command.substr(7));
    if (command == L"notify" || command == L"enable" || command == L"disable") {
        co.set_number(command == L"notify" ? PIDX_PowerNotify : PIDX_DeviceEnabled, command == L"disable" ? 0 : 1);
        return co.ResultCode();
    }
    return -1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: opos_client DEVICE COMMAND...\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int status = 0;
    {
        StandInControlObject co;
        const LONG opened = co.Open(argv[1]);
        std::printf("open %ld\n", opened);
        if (opened != OPOS_SUCCESS) status = static_cast<int>(opened);
        for (int i = 2; i < argc && status == 0; ++i) {
            const std::wstring command = argv[i];
            if (command == L"die") {
                std::fflush(stdout);
                ExitProcess(7);
            }
            if (command.rfind(L"stat:", 0) == 0) {
                std::printf("%ls %ls\n", command.c_str(), statistic(co, command.substr(5)).c_str());
            } else if (command.rfind(L"events:", 0) == 0) {
                const size_t colon = command.find(L':', 7);
                const size_t wanted = std::stoul(command.substr(7, colon - 7));
                const DWORD timeout = colon == std::wstring::npos ? 10000 : std::stoul(command.substr(colon + 1));
                co.pump_until([&] { return co.events().delivered().size() >= wanted; }, timeout);
                std::string list;
                for (const DeliveredEvent& event : co.events().delivered()) {
                    if (!list.empty()) list += ',';
                    list += std::to_string(event.number);
                }
                std::printf("%ls %s\n", command.c_str(), list.c_str());
            } else {
                std::printf("%ls %ld\n", command.c_str(), run(co, command));
            }
            std::fflush(stdout);
        }
        std::fflush(stdout);
    }
    CoUninitialize();
    return status;
}
