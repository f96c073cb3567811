// KAV_sim.sys: simulated peripherals for the Wine tests and the demo. The
// framework here loads the modules and routes each request to the module of
// the device it is for.
#include "sim_config.h"
#include "sim_kernel.h"

namespace {

NTSTATUS NTAPI SIM_Dispatch(PDEVICE_OBJECT device, PIRP irp)
{
    const SIM_MODULE* module = static_cast<SIM_DEVICE_HEADER*>(device->DeviceExtension)->Module;
    DRIVER_DISPATCH* routine = nullptr;
    switch (IoGetCurrentIrpStackLocation(irp)->MajorFunction) {
    case IRP_MJ_CREATE: routine = module->Create; break;
    case IRP_MJ_CLOSE: routine = module->Close; break;
    case IRP_MJ_CLEANUP: routine = module->Cleanup; break;
    case IRP_MJ_READ: routine = module->Read; break;
    case IRP_MJ_WRITE: routine = module->Write; break;
    case IRP_MJ_DEVICE_CONTROL: routine = module->DeviceControl; break;
    case IRP_MJ_QUERY_VOLUME_INFORMATION: routine = module->QueryVolume; break;
    case IRP_MJ_FLUSH_BUFFERS: routine = module->Flush; break;
    case IRP_MJ_PNP:
        if (module->Pnp != nullptr) return module->Pnp(device, irp);
        {
            const NTSTATUS unchanged = irp->IoStatus.Status;
            IoCompleteRequest(irp, IO_NO_INCREMENT);
            return unchanged;
        }
    default: break;
    }
    if (routine == nullptr) return SIM_Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
    return routine(device, irp);
}

void NTAPI SIM_Unload(PDRIVER_OBJECT driver)
{
    PDEVICE_OBJECT device = driver->DeviceObject;
    while (device != nullptr) {
        PDEVICE_OBJECT next = device->NextDevice;
        const SIM_MODULE* module = static_cast<SIM_DEVICE_HEADER*>(device->DeviceExtension)->Module;
        if (module->RemoveDevice != nullptr) module->RemoveDevice(device);
        IoDeleteDevice(device);
        device = next;
    }
    ADAPTER_RemoveInstances();
    SIM_Print("unloaded\n");
}

} // namespace

NTSTATUS SIM_Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

void SIM_NumberedName(UNICODE_STRING* name, PWCHAR buffer, USHORT size, const wchar_t* prefix, ULONG number)
{
    *name = UNICODE_STRING{0, size, buffer};
    RtlAppendUnicodeToString(name, prefix);
    UNICODE_STRING digits{0, static_cast<USHORT>(size - name->Length), buffer + name->Length / sizeof(WCHAR)};
    RtlIntegerToUnicodeString(number, 10, &digits);
    name->Length = static_cast<USHORT>(name->Length + digits.Length);
}

uint64_t SIM_NowUs()
{
    LARGE_INTEGER frequency;
    const LARGE_INTEGER now = KeQueryPerformanceCounter(&frequency);
    const uint64_t ticks = static_cast<uint64_t>(now.QuadPart);
    const uint64_t hz = frequency.QuadPart > 0 ? static_cast<uint64_t>(frequency.QuadPart) : 1;
    // Split so the multiplication cannot overflow after long uptimes.
    return ticks / hz * 1000000u + ticks % hz * 1000000u / hz;
}

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path)
{
    for (ULONG i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i) driver->MajorFunction[i] = SIM_Dispatch;
    driver->DriverUnload = SIM_Unload;

    ULONG close_ms = kav::sim::kDefaultCloseMs;
    SIM_ReadNumber(registry_path, kav::sim::kSerialCloseMsValue, &close_ms);
    SIM_Print("drawers close after %lu ms\n", close_ms);

    const int serial_ports = SERIAL_AddPorts(driver, registry_path, close_ms);
    const int adapters = ADAPTER_AddInstances(registry_path);
    const int hid_devices = HID_AddDevices(driver, registry_path, close_ms);
    // With nothing asked for, the driver still loads: a test may want none.
    SIM_Print("loaded: %d serial ports, %d adapters, %d HID devices\n", serial_ports, adapters, hid_devices);
    return STATUS_SUCCESS;
}
