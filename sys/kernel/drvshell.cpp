#include "drvshell.h"
#include "command_engine.h"
#include "device_security.h"
#include "driver_lock.h"
#include "driver_platform.h"
#include "request_rundown.h"
#include "ioctl_codes.h"
#include "line_format.h"

#include <string.h>

namespace {

KernelDebugPlatform g_platform;
KernelRawPool g_raw_pool;
constinit kav::GuardedPool g_pool{g_raw_pool, g_platform};
constinit kav::WdmDebug g_debug{g_pool, g_platform};
constinit DRVSHELL_CALLBACKS g_callbacks{};
// Requests in flight; unload waits for them and refuses new ones.
RequestRundown g_rundown;
// Every port sequence runs alone: two interleaved ones would mix their
// index/data pairs on the super-I/O chip.
DriverLock g_port_lock;

ULONG request_length(PIRP irp)
{
    const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    switch (stack->MajorFunction) {
    case IRP_MJ_READ: return stack->Parameters.Read.Length;
    case IRP_MJ_WRITE: return stack->Parameters.Write.Length;
    case IRP_MJ_DEVICE_CONTROL: return DRVSHELL_ControlRequest(irp).length();
    default: return 0;
    }
}

void log_request(PDEVICE_OBJECT device, PIRP irp)
{
    g_debug.log_request(device, irp, IoGetCurrentIrpStackLocation(irp)->MajorFunction,
                        static_cast<const uint8_t*>(irp->AssociatedIrp.SystemBuffer), request_length(irp));
}

// Completes the request with its status: every request ends inside its
// routine, so none can outlive the rundown that unload waits for.
NTSTATUS finish(PDEVICE_OBJECT device, PIRP irp, NTSTATUS status)
{
    irp->IoStatus.Status = status;
    DRVSHELL_CompleteIO(device, irp);
    return status;
}

// "<prefix><name>" into a zero-terminated fixed field; the name is short and
// set by this driver, but the bound is kept anyway.
void make_name(char (&out)[kNameBytes], const char* prefix, const char* name)
{
    kav::format_line(out, sizeof out, "%s%s", prefix, name);
}

// Replaces the device's default security with the driver's own (see
// device_security.h) before the device can be opened.
NTSTATUS protect_device(PDEVICE_OBJECT device)
{
    kav::DeviceSecurity security = kav::device_security();
    HANDLE handle = nullptr;
    NTSTATUS status = ObOpenObjectByPointer(device, OBJ_KERNEL_HANDLE, nullptr, WRITE_DAC, nullptr, KernelMode, &handle);
    if (!NT_SUCCESS(status)) return status;
    status = ZwSetSecurityObject(handle, DACL_SECURITY_INFORMATION, security.bytes);
    ZwClose(handle);
    return status;
}

NTSTATUS create_device_object(PDRIVER_OBJECT driver)
{
    g_debug.trace("enter DRVSHELL_CreateDeviceObject");
    char device_name[kNameBytes];
    char link_name[kNameBytes];
    make_name(device_name, "\\Device\\", g_debug.name());
    make_name(link_name, "\\DosDevices\\", g_debug.name());

    ANSI_STRING ansi;
    UNICODE_STRING device_w{};
    UNICODE_STRING link_w{};
    RtlInitAnsiString(&ansi, device_name);
    NTSTATUS status = RtlAnsiStringToUnicodeString(&device_w, &ansi, TRUE);
    if (NT_SUCCESS(status)) {
        RtlInitAnsiString(&ansi, link_name);
        status = RtlAnsiStringToUnicodeString(&link_w, &ansi, TRUE);
    }

    PDEVICE_OBJECT device = nullptr;
    if (NT_SUCCESS(status)) {
        g_debug.print("Create Device (%s)\n", device_name);
        // Secure open: the device's security applies to any name opened below it too.
        status = IoCreateDevice(driver, sizeof(DEVICE_EXTENSION), &device_w, FILE_DEVICE_UNKNOWN,
                                FILE_DEVICE_SECURE_OPEN, FALSE, &device);
        if (NT_SUCCESS(status)) {
            status = protect_device(device);
            if (!NT_SUCCESS(status)) {
                g_debug.trace("Failed to set the device's security");
                IoDeleteDevice(device); // a device anyone could open must not stay
                device = nullptr;
            }
        }
    }
    if (NT_SUCCESS(status)) {
        g_debug.print("Create SymLink (%s)\n", link_name);
        status = IoCreateUnprotectedSymbolicLink(&link_w, &device_w);
        if (NT_SUCCESS(status)) {
            DEVICE_EXTENSION* ext = DRVSHELL_Extension(device);
            memset(ext, 0, sizeof *ext);
            memcpy(ext->DeviceName, device_name, sizeof device_name);
            memcpy(ext->LinkName, link_name, sizeof link_name);
            if (g_callbacks.AddDevice != nullptr) status = g_callbacks.AddDevice(device);
            // A device the driver cannot serve must not outlive a failed load.
            if (!NT_SUCCESS(status)) {
                if (g_callbacks.RemoveDevice != nullptr) g_callbacks.RemoveDevice(device);
                IoDeleteSymbolicLink(&link_w);
            }
        }
        if (!NT_SUCCESS(status)) IoDeleteDevice(device); // no openable link, no device
    }

    RtlFreeUnicodeString(&device_w);
    RtlFreeUnicodeString(&link_w);
    DRVSHELL_TraceExit("exit  DRVSHELL_CreateDeviceObject", status);
    return status;
}

} // namespace

kav::WdmDebug& DRVSHELL_Debug() { return g_debug; }
kav::GuardedPool& DRVSHELL_Pool() { return g_pool; }
kav::DebugPlatform& DRVSHELL_Platform() { return g_platform; }

NTSTATUS DRVSHELL_TraceExit(const char* routine_exit, NTSTATUS status)
{
    g_debug.log_status(status);
    g_debug.trace(routine_exit);
    g_debug.print("status = (%x)\n", static_cast<unsigned>(status));
    return status;
}

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path)
{
    PAGED_CODE();
    g_rundown.init();
    g_port_lock.init();
    OpenDriver(&g_callbacks);
    NTSTATUS status = g_debug.Debug_OpenWDMDebug();
    if (!NT_SUCCESS(status)) {
        g_debug.print("exit DriverEntry: Debug_OpenWDMDebug call failed (%x)\n", static_cast<unsigned>(status));
        return status;
    }
    g_debug.trace("enter DriverEntry");
    g_debug.print("DriverObject = 0x%08x\n", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(driver)));
    g_debug.print("DeviceObject = 0x%08x\n", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(driver->DeviceObject)));

    driver->MajorFunction[IRP_MJ_CREATE] = DRVSHELL_Create;
    driver->MajorFunction[IRP_MJ_CLOSE] = DRVSHELL_Close;
    driver->MajorFunction[IRP_MJ_READ] = DRVSHELL_Read;
    driver->MajorFunction[IRP_MJ_WRITE] = DRVSHELL_Write;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DRVSHELL_Dispatch;
    driver->DriverUnload = DRVSHELL_Unload;

    if (g_callbacks.DriverEntry != nullptr) g_callbacks.DriverEntry(driver, registry_path);

    status = create_device_object(driver);
    if (!NT_SUCCESS(status)) g_debug.trace("Failed to create device object");

    DRVSHELL_TraceExit("exit  DriverEntry", status);
    // A driver that does not load is never unloaded: give its rings back now.
    if (!NT_SUCCESS(status)) g_debug.release_rings();
    return status;
}

namespace {

// Holds off unload while a request runs; false once unload has begun.
class InFlight {
public:
    InFlight() : entered_(g_rundown.enter()) {}
    ~InFlight()
    {
        if (entered_) g_rundown.leave();
    }
    InFlight(const InFlight&) = delete;
    InFlight& operator=(const InFlight&) = delete;
    bool entered() const { return entered_; }

private:
    bool entered_;
};

// A request that arrives once unload has begun, or through a handle the
// device did not admit, is completed here and goes no further.
bool refused(PDEVICE_OBJECT device, PIRP irp, const InFlight& in_flight, bool needs_admission, NTSTATUS& status)
{
    if (!in_flight.entered()) {
        g_debug.trace("STATUS_DELETE_PENDING");
        status = finish(device, irp, STATUS_DELETE_PENDING);
        return true;
    }
    if (needs_admission && g_callbacks.Admits != nullptr && !g_callbacks.Admits(device, irp)) {
        g_debug.trace("STATUS_ACCESS_DENIED");
        status = finish(device, irp, STATUS_ACCESS_DENIED);
        return true;
    }
    return false;
}

// Create and close differ only in their slot: an empty one means success.
NTSTATUS open_or_close(PDEVICE_OBJECT device, PIRP irp, NTSTATUS (*slot)(PDEVICE_OBJECT, PIRP),
                       const InFlight& in_flight)
{
    irp->IoStatus.Status = STATUS_SUCCESS;
    irp->IoStatus.Information = 0;
    log_request(device, irp);
    NTSTATUS status;
    if (refused(device, irp, in_flight, false, status)) return status;
    return finish(device, irp, slot != nullptr ? slot(device, irp) : STATUS_SUCCESS);
}

} // namespace

NTSTATUS NTAPI DRVSHELL_Create(PDEVICE_OBJECT device, PIRP irp)
{
    PAGED_CODE();
    const InFlight in_flight; // held until the routine has left
    g_debug.trace("enter DRVSHELL_Create");
    const NTSTATUS status = open_or_close(device, irp, g_callbacks.Create, in_flight);
    DRVSHELL_TraceExit("exit  DRVSHELL_Create", status);
    return status;
}

NTSTATUS NTAPI DRVSHELL_Close(PDEVICE_OBJECT device, PIRP irp)
{
    PAGED_CODE();
    const InFlight in_flight; // held until the routine has left
    g_debug.trace("enter DRVSHELL_Close");
    const NTSTATUS status = open_or_close(device, irp, g_callbacks.Close, in_flight);
    DRVSHELL_TraceExit("exit  DRVSHELL_Close", status);
    return status;
}

namespace {

// Read and write share everything but their slot and names.
NTSTATUS transfer(PDEVICE_OBJECT device, PIRP irp, NTSTATUS (*slot)(PDEVICE_OBJECT, PIRP),
                  const InFlight& in_flight)
{
    const ULONG length = request_length(irp);
    irp->IoStatus.Information = 0; // a slot sets it only for what it moved
    log_request(device, irp);
    NTSTATUS status;
    if (refused(device, irp, in_flight, true, status)) return status;
    if (irp->AssociatedIrp.SystemBuffer == nullptr || length == 0) {
        g_debug.trace("STATUS_INVALID_BUFFER_SIZE");
        return finish(device, irp, STATUS_INVALID_BUFFER_SIZE);
    }
    return finish(device, irp, slot != nullptr ? slot(device, irp) : STATUS_SUCCESS);
}

} // namespace

NTSTATUS NTAPI DRVSHELL_Write(PDEVICE_OBJECT device, PIRP irp)
{
    PAGED_CODE();
    const InFlight in_flight; // held until the routine has left
    g_debug.trace("enter DRVSHELL_Write");
    const NTSTATUS status = transfer(device, irp, g_callbacks.Write, in_flight);
    DRVSHELL_TraceExit("exit  DRVSHELL_Write", status);
    return status;
}

NTSTATUS NTAPI DRVSHELL_Read(PDEVICE_OBJECT device, PIRP irp)
{
    PAGED_CODE();
    const InFlight in_flight; // held until the routine has left
    g_debug.trace("enter DRVSHELL_Read");
    const NTSTATUS status = transfer(device, irp, g_callbacks.Read, in_flight);
    DRVSHELL_TraceExit("exit  DRVSHELL_Read", status);
    return status;
}

NTSTATUS NTAPI DRVSHELL_Dispatch(PDEVICE_OBJECT device, PIRP irp)
{
    PAGED_CODE();
    const InFlight in_flight; // held until the routine has left
    g_debug.trace("enter DRVSHELL_Dispatch");
    g_debug.trace("IRP_MJ_DEVICE_CONTROL");
    irp->IoStatus.Status = STATUS_SUCCESS;
    irp->IoStatus.Information = 0;
    log_request(device, irp);

    NTSTATUS status = STATUS_SUCCESS;
    if (refused(device, irp, in_flight, true, status)) {
        DRVSHELL_TraceExit("exit  DRVSHELL_Dispatch", status);
        return status;
    }
    const ULONG code = IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.IoControlCode;
    if (kav::is_drawer_code(code)) {
        DriverLockGuard ports(g_port_lock);
        const kav::ControlResult result = kav::run_drawer_code(DRVSHELL_Ports(), code, DRVSHELL_ControlRequest(irp));
        irp->IoStatus.Information = result.bytes_returned;
        status = result.status;
    } else {
        g_debug.trace("DRVSHELL doesn't handle this IOCTL");
        if (g_callbacks.Dispatch != nullptr) status = g_callbacks.Dispatch(device, irp);
    }
    status = finish(device, irp, status);
    DRVSHELL_TraceExit("exit  DRVSHELL_Dispatch", status);
    return status;
}

void DRVSHELL_CompleteIO(PDEVICE_OBJECT device, PIRP irp)
{
    log_request(device, irp);
    IoCompleteRequest(irp, IO_NO_INCREMENT);
}

void NTAPI DRVSHELL_Unload(PDRIVER_OBJECT driver)
{
    PAGED_CODE();
    g_debug.trace("enter DRVSHELL_Unload");
    // The image goes away after this routine: no request may still be in it.
    g_rundown.close_and_wait();
    PDEVICE_OBJECT device = driver->DeviceObject;
    if (device != nullptr) {
        const DEVICE_EXTENSION* ext = DRVSHELL_Extension(device);
        // Converted on the stack: unload must not depend on the pool.
        WCHAR link_buffer[kNameBytes];
        ANSI_STRING ansi;
        UNICODE_STRING link_w{0, sizeof link_buffer, link_buffer};
        RtlInitAnsiString(&ansi, ext->LinkName);
        if (NT_SUCCESS(RtlAnsiStringToUnicodeString(&link_w, &ansi, FALSE))) IoDeleteSymbolicLink(&link_w);
        if (g_callbacks.RemoveDevice != nullptr) g_callbacks.RemoveDevice(device);
        IoDeleteDevice(device);
    }
    g_debug.release_rings();
}

#if !defined(KAV_KERNEL)
#include <new>
void DRVSHELL_ResetForTests()
{
    new (&g_pool) kav::GuardedPool{g_raw_pool, g_platform};
    new (&g_debug) kav::WdmDebug{g_pool, g_platform};
    g_callbacks = DRVSHELL_CALLBACKS{};
    DRVSHELL_ResetPortsForTests();
}
#endif
