// HID_: the simulated HID devices, one per letter of HidDevices. Each is a
// legacy device that registers the HID interface class itself; to do so
// Wine asks it for its ids (IRP_MN_QUERY_ID) and then lists it among the
// system's HID interfaces, sorted by instance id. The ids here are
// "HID\VID_0000&PID_0001\1&KAVSIM&0&00nn", nn from 01: they sort in the
// configured order, and before Wine's own devices (VID_845E).
// hid.dll's HidD_GetIndexedString arrives as IOCTL_HID_GET_INDEXED_STRING:
// the string's number in the system buffer, the answer through the MDL.
#include "hid_drawer_model.h"
#include "sim_config.h"
#include "sim_kernel.h"

extern "C" {
#include <hidusage.h>
#include <ddk/hidclass.h>
#include <initguid.h>
}

namespace {

using kav::sim::HidDrawerModel;
using kav::sim::HidStringReply;

// GUID_DEVINTERFACE_HID, under a name of our own so no other header's
// definition of it clashes.
DEFINE_GUID(SIM_GUID_DEVINTERFACE_HID, 0x4d1e55b2, 0xf16f, 0x11cf, 0x88, 0xcb, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30);

constexpr const wchar_t kDeviceId[] = L"HID\\VID_0000&PID_0001";
constexpr const wchar_t kInstancePrefix[] = L"1&KAVSIM&0&00";

struct HID_DEVICE_EXTENSION {
    SIM_DEVICE_HEADER Header;
    ULONG Number; // 1-based, its place in the list
    KSPIN_LOCK Lock;
    HidDrawerModel Model;
    UNICODE_STRING Interface; // the registered interface's name, from the system
};

HID_DEVICE_EXTENSION* hid_of(PDEVICE_OBJECT device)
{
    return static_cast<HID_DEVICE_EXTENSION*>(device->DeviceExtension);
}

NTSTATUS NTAPI HID_Success(PDEVICE_OBJECT, PIRP irp)
{
    return SIM_Complete(irp, STATUS_SUCCESS, 0);
}

// The two-digit instance number: "01".."08".
void append_instance_number(PWCHAR out, ULONG& at, ULONG number)
{
    out[at++] = static_cast<WCHAR>(L'0' + number / 10 % 10);
    out[at++] = static_cast<WCHAR>(L'0' + number % 10);
}

// The device id or the instance id, in pool the caller frees.
NTSTATUS NTAPI HID_Pnp(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const NTSTATUS unchanged = irp->IoStatus.Status;
    if (stack->MinorFunction != IRP_MN_QUERY_ID) {
        IoCompleteRequest(irp, IO_NO_INCREMENT);
        return unchanged;
    }
    const BUS_QUERY_ID_TYPE type = stack->Parameters.QueryId.IdType;
    if (type != BusQueryDeviceID && type != BusQueryInstanceID) {
        IoCompleteRequest(irp, IO_NO_INCREMENT);
        return unchanged;
    }
    constexpr ULONG kChars = 40; // the longer id, its number and the terminator fit
    PWCHAR id = static_cast<PWCHAR>(ExAllocatePool(PagedPool, kChars * sizeof(WCHAR)));
    if (id == nullptr) return SIM_Complete(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
    const wchar_t* text = type == BusQueryDeviceID ? kDeviceId : kInstancePrefix;
    ULONG at = 0;
    while (text[at] != 0) {
        id[at] = text[at];
        ++at;
    }
    if (type == BusQueryInstanceID) append_instance_number(id, at, hid_of(device)->Number);
    id[at] = 0;
    return SIM_Complete(irp, STATUS_SUCCESS, reinterpret_cast<ULONG_PTR>(id));
}

NTSTATUS NTAPI HID_DeviceControl(PDEVICE_OBJECT device, PIRP irp)
{
    HID_DEVICE_EXTENSION* ext = hid_of(device);
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const auto& request = stack->Parameters.DeviceIoControl;
    if (request.IoControlCode != IOCTL_HID_GET_INDEXED_STRING) return SIM_Complete(irp, STATUS_NOT_SUPPORTED, 0);
    if (request.InputBufferLength < sizeof(ULONG) || irp->AssociatedIrp.SystemBuffer == nullptr)
        return SIM_Complete(irp, STATUS_INVALID_PARAMETER, 0);
    const ULONG index = *static_cast<ULONG*>(irp->AssociatedIrp.SystemBuffer);

    KIRQL irql;
    KeAcquireSpinLock(&ext->Lock, &irql);
    const HidStringReply reply = ext->Model.string_request(index, SIM_NowUs());
    KeReleaseSpinLock(&ext->Lock, irql);
    SIM_Print("HID %lu string %lu: %s\n", ext->Number, index, reply.answered ? reply.text : "refused");
    // What Wine's own devices answer to a string they do not have.
    if (!reply.answered) return SIM_Complete(irp, STATUS_NOT_SUPPORTED, 0);

    ULONG chars = 0;
    while (reply.text[chars] != '\0') ++chars;
    const ULONG bytes = (chars + 1) * sizeof(WCHAR);
    PWCHAR out = irp->MdlAddress != nullptr
                     ? static_cast<PWCHAR>(MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority))
                     : nullptr;
    if (out == nullptr) return SIM_Complete(irp, STATUS_INVALID_USER_BUFFER, 0);
    if (request.OutputBufferLength < bytes) return SIM_Complete(irp, STATUS_BUFFER_TOO_SMALL, 0);
    for (ULONG i = 0; i <= chars; ++i) out[i] = static_cast<WCHAR>(static_cast<unsigned char>(reply.text[i]));
    return SIM_Complete(irp, STATUS_SUCCESS, bytes);
}

void HID_RemoveDevice(PDEVICE_OBJECT device)
{
    HID_DEVICE_EXTENSION* ext = hid_of(device);
    if (ext->Interface.Buffer == nullptr) return;
    IoSetDeviceInterfaceState(&ext->Interface, FALSE);
    RtlFreeUnicodeString(&ext->Interface);
}

constexpr SIM_MODULE kHidModule = {
    "hid", HID_Success, HID_Success, HID_Success, nullptr, nullptr, HID_DeviceControl, nullptr, nullptr,
    HID_RemoveDevice, HID_Pnp,
};

// "\Device\KavSimHid<n>", registered and enabled as a HID interface.
bool add_device(PDRIVER_OBJECT driver, ULONG number, kav::sim::HidKind kind, uint64_t close_after_us)
{
    WCHAR name_buffer[40];
    UNICODE_STRING name;
    SIM_NumberedName(&name, name_buffer, sizeof name_buffer, L"\\Device\\KavSimHid", number);

    PDEVICE_OBJECT device = nullptr;
    NTSTATUS status = IoCreateDevice(driver, sizeof(HID_DEVICE_EXTENSION), &name, FILE_DEVICE_UNKNOWN, 0, FALSE,
                                     &device);
    if (!NT_SUCCESS(status)) {
        SIM_Print("HID %lu: no device (0x%lx)\n", number, static_cast<ULONG>(status));
        return false;
    }
    HID_DEVICE_EXTENSION* ext = hid_of(device);
    RtlZeroMemory(ext, sizeof *ext);
    ext->Header.Module = &kHidModule;
    ext->Number = number;
    KeInitializeSpinLock(&ext->Lock);
    ext->Model = HidDrawerModel(kind, close_after_us);
    device->Flags &= ~DO_DEVICE_INITIALIZING;

    status = IoRegisterDeviceInterface(device, &SIM_GUID_DEVINTERFACE_HID, nullptr, &ext->Interface);
    if (NT_SUCCESS(status)) status = IoSetDeviceInterfaceState(&ext->Interface, TRUE);
    if (!NT_SUCCESS(status)) {
        SIM_Print("HID %lu: no interface (0x%lx)\n", number, static_cast<ULONG>(status));
        if (ext->Interface.Buffer != nullptr) RtlFreeUnicodeString(&ext->Interface);
        ext->Interface = UNICODE_STRING{};
        IoDeleteDevice(device);
        return false;
    }
    SIM_Print("HID %lu ready: %s\n", number, kind == kav::sim::HidKind::Drawer ? "drawer" : "no drawer");
    return true;
}

} // namespace

int HID_AddDevices(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path, ULONG close_ms)
{
    char text[64];
    kav::sim::HidDeviceList devices;
    if (SIM_ReadText(registry_path, kav::sim::kHidDevicesValue, text, sizeof text) &&
        !kav::sim::parse_hid_devices(text, devices)) {
        SIM_Print("HidDevices \"%s\" is no device list: no HID devices\n", text);
        return 0;
    }
    int made = 0;
    for (int i = 0; i < devices.count; ++i) {
        if (add_device(driver, static_cast<ULONG>(i + 1), devices.kinds[i], uint64_t{close_ms} * 1000)) ++made;
    }
    return made;
}
