#include "hid_listing.h"

#include <setupapi.h>
extern "C" {
#include <hidsdi.h>
}

namespace kavwine {
namespace {

constexpr int kMembersTried = 8;
constexpr int kMostDrawers = 5;

} // namespace

std::vector<ListedInterface> list_hid_interfaces()
{
    std::vector<ListedInterface> listed;
    GUID hid;
    HidD_GetHidGuid(&hid);
    HDEVINFO set = SetupDiGetClassDevsA(&hid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return listed;
    for (DWORD i = 0;; ++i) {
        SP_DEVICE_INTERFACE_DATA member = {};
        member.cbSize = sizeof member;
        if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hid, i, &member)) break;
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailA(set, &member, nullptr, 0, &size, nullptr);
        std::vector<char> storage(size + sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
        detail->cbSize = sizeof *detail;
        ListedInterface entry{"", false, 0};
        if (SetupDiGetDeviceInterfaceDetailA(set, &member, detail, size, nullptr, nullptr)) {
            entry.path = detail->DevicePath;
            HANDLE device = CreateFileA(detail->DevicePath, GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            entry.opens = device != INVALID_HANDLE_VALUE;
            if (entry.opens) {
                wchar_t buffer[50] = {};
                SetLastError(0);
                if (!HidD_GetIndexedString(device, 106, buffer, sizeof buffer)) entry.refusal = GetLastError();
                CloseHandle(device);
            }
        }
        listed.push_back(entry);
    }
    SetupDiDestroyDeviceInfoList(set);
    return listed;
}

std::vector<ListedInterface> numbered(const std::vector<ListedInterface>& listed)
{
    std::vector<ListedInterface> drawers;
    for (int i = 0; i < kMembersTried && i < static_cast<int>(listed.size()); ++i) {
        if (listed[i].opens && static_cast<int>(drawers.size()) < kMostDrawers) drawers.push_back(listed[i]);
    }
    return drawers;
}

bool is_wines_own(const ListedInterface& entry)
{
    return entry.path.find("vid_845e") != std::string::npos;
}

} // namespace kavwine
