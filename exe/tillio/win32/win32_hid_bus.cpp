#include "win32_hid_bus.h"

#include <setupapi.h>
// mingw's hidsdi.h declares its functions without C linkage.
extern "C" {
#include <hidsdi.h>
}

#include <memory>
#include <new>

namespace kav::tillio {
namespace {

// The detail record's size field holds the size of its fixed part for this
// platform's packing; any other value makes the read fail on x86_64.
#ifdef _WIN64
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 8);
#else
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == 5);
#endif

} // namespace

Win32HidBus::Win32HidBus()
{
    HidD_GetHidGuid(&hid_class_);
}

HidInterfaceSet Win32HidBus::list_interfaces()
{
    const HDEVINFO set = SetupDiGetClassDevsA(&hid_class_, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    return set == INVALID_HANDLE_VALUE ? kNoInterfaceSet : set;
}

HidMemberOpen Win32HidBus::open_member(HidInterfaceSet set, uint32_t index)
{
    SP_DEVICE_INTERFACE_DATA member = {};
    member.cbSize = sizeof member;
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, &hid_class_, index, &member)) return {false, kNoHidDevice};

    DWORD size = 0;
    SetupDiGetDeviceInterfaceDetailA(set, &member, nullptr, 0, &size, nullptr);
    if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return {true, kNoHidDevice};
    // Owned here so that no path out of this function keeps it.
    const std::unique_ptr<unsigned char[]> storage(new (std::nothrow) unsigned char[size]);
    if (!storage) return {true, kNoHidDevice};
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.get());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(set, &member, detail, size, nullptr, nullptr)) {
        return {true, kNoHidDevice};
    }

    const HANDLE device = CreateFileA(detail->DevicePath, GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    return {true, device == INVALID_HANDLE_VALUE ? kNoHidDevice : device};
}

void Win32HidBus::release_interfaces(HidInterfaceSet set)
{
    SetupDiDestroyDeviceInfoList(set);
}

bool Win32HidBus::indexed_string(HidHandle handle, uint32_t index, void* buffer, uint32_t length)
{
    return HidD_GetIndexedString(handle, index, buffer, length) != FALSE;
}

void Win32HidBus::close(HidHandle handle)
{
    CloseHandle(handle);
}

} // namespace kav::tillio
