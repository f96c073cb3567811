// A second application for the Wine tests: opens a logical device through the
// control-object stand-in in a process of its own and runs the commands it
// is given, printing "<command> <result>" for each.
//
//   opos_client DEVICE COMMAND...
//     claim:MS  release  notify  enable  open-drawer
//     stat:NAME (prints the statistic's value)  update:NAME=VALUE
//     die (ends the process at once, closing nothing, as a crash would)
//
// Exits with 0, or with Open's result when the device did not open.
#include "control_object_stand_in.h"
#include "opos_constants.h"

#include <cstdio>
#include <string>

using namespace kav::opos;
using namespace kav::opos::wine;

namespace {

std::wstring statistic(StandInControlObject& co, const std::wstring& name)
{
    std::wstring xml = name;
    if (co.RetrieveStatistics(xml) != OPOS_SUCCESS) return L"?";
    const size_t start = xml.find(L"<Value>");
    const size_t end = xml.find(L"</Value>");
    if (start == std::wstring::npos || end == std::wstring::npos) return L"?";
    return xml.substr(start + 7, end - start - 7);
}

LONG run(StandInControlObject& co, const std::wstring& command)
{
    if (command.rfind(L"claim:", 0) == 0) return co.ClaimDevice(std::stol(command.substr(6)));
    if (command == L"release") return co.ReleaseDevice();
    if (command == L"open-drawer") return co.OpenDrawer();
    if (command.rfind(L"update:", 0) == 0) return co.UpdateStatistics(command.substr(7));
    if (command == L"notify" || command == L"enable") {
        co.set_number(command == L"notify" ? PIDX_PowerNotify : PIDX_DeviceEnabled, 1);
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
            } else {
                std::printf("%ls %ld\n", command.c_str(), run(co, command));
            }
        }
        std::fflush(stdout);
    }
    CoUninitialize();
    return status;
}
