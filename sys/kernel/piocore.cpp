#include "piocore.h"
#include "driver_info.h"
#include "ioctl_codes.h"
#include "kav_cash_device.h"

#include <string.h>

namespace {

using kav::kDriverName;
constexpr const char* kDriverVersion = "1.00";

PIOCORE_CONTEXT* context_of(PDEVICE_OBJECT device)
{
    return static_cast<PIOCORE_CONTEXT*>(DRVSHELL_Extension(device)->Context);
}

void trace(const char* message) { DRVSHELL_Debug().trace(message); }

PFILE_OBJECT file_of(PIRP irp) { return IoGetCurrentIrpStackLocation(irp)->FileObject; }

void release_held(PIOCORE_CONTEXT* ctx)
{
    if (ctx->HeldBuffer != nullptr) DRVSHELL_Pool().release(ctx->HeldBuffer);
    ctx->HeldBuffer = nullptr;
    ctx->HeldLength = 0;
}

} // namespace

void OpenDriver(DRVSHELL_CALLBACKS* callbacks)
{
    callbacks->DriverEntry = PIOCORE_DriverEntry;
    callbacks->Dispatch = PIOCORE_Dispatch;
    callbacks->AddDevice = PIOCORE_AddDevice;
    callbacks->RemoveDevice = PIOCORE_RemoveDevice;
    callbacks->Create = PIOCORE_Create;
    callbacks->Close = PIOCORE_Close;
    callbacks->Write = PIOCORE_Write;
    callbacks->Read = PIOCORE_Read;
    callbacks->Admits = PIOCORE_Admits;
    DRVSHELL_Debug().set_identity(kDriverName, kDriverVersion);
}

NTSTATUS PIOCORE_DriverEntry(PDRIVER_OBJECT, PUNICODE_STRING)
{
    trace("enter PIOCORE_DriverEntry");
    return DRVSHELL_TraceExit("exit  PIOCORE_DriverEntry", STATUS_SUCCESS);
}

NTSTATUS PIOCORE_Dispatch(PDEVICE_OBJECT, PIRP irp)
{
    trace("enter PIOCORE_Dispatch");
    NTSTATUS status = STATUS_INVALID_PARAMETER; // the framework has set the byte count to 0
    if (IoGetCurrentIrpStackLocation(irp)->Parameters.DeviceIoControl.IoControlCode == kav::kIoctlGetDriverInfo) {
        const kav::ControlResult r = kav::answer_driver_info(DRVSHELL_Debug(), DRVSHELL_Pool(),
                                                             DRVSHELL_ControlRequest(irp), kDriverName, kDriverVersion);
        irp->IoStatus.Information = r.bytes_returned;
        status = r.status;
    } else {
        trace("Driver doesn't handle this IOCTL");
    }
    return DRVSHELL_TraceExit("exit  PIOCORE_Dispatch", status);
}

NTSTATUS PIOCORE_AddDevice(PDEVICE_OBJECT device)
{
    trace("enter PIOCORE_AddDevice");
    NTSTATUS status = STATUS_SUCCESS;
    auto* ctx = static_cast<PIOCORE_CONTEXT*>(DRVSHELL_Pool().allocate(sizeof(PIOCORE_CONTEXT), true));
    DRVSHELL_Extension(device)->Context = ctx;
    if (ctx == nullptr) {
        status = STATUS_INSUFFICIENT_RESOURCES;
    } else {
        ctx->Lock.init();
    }
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~static_cast<ULONG>(DO_DEVICE_INITIALIZING);
    return DRVSHELL_TraceExit("exit  PIOCORE_AddDevice", status);
}

NTSTATUS PIOCORE_RemoveDevice(PDEVICE_OBJECT device)
{
    trace("enter PIOCORE_RemoveDevice");
    DEVICE_EXTENSION* ext = DRVSHELL_Extension(device);
    if (auto* ctx = static_cast<PIOCORE_CONTEXT*>(ext->Context)) {
        release_held(ctx);
        DRVSHELL_Pool().release(ctx);
        ext->Context = nullptr;
    }
    return DRVSHELL_TraceExit("exit  PIOCORE_RemoveDevice", STATUS_SUCCESS);
}

// Wine hands out a handle even for a refused create, and sends its requests
// and its close here: only the admitted file object may touch the state.
BOOLEAN PIOCORE_Admits(PDEVICE_OBJECT device, PIRP irp)
{
    PIOCORE_CONTEXT* ctx = context_of(device);
    DriverLockGuard guard(ctx->Lock);
    return ctx->Admitted != nullptr && ctx->Admitted == file_of(irp);
}

NTSTATUS PIOCORE_Create(PDEVICE_OBJECT device, PIRP irp)
{
    trace("enter PIOCORE_Create");
    PIOCORE_CONTEXT* ctx = context_of(device);
    NTSTATUS status = STATUS_SUCCESS;
    {
        DriverLockGuard guard(ctx->Lock);
        if (ctx->Admitted != nullptr) {
            status = STATUS_DEVICE_BUSY;
        } else {
            ctx->Admitted = file_of(irp);
        }
    }
    return DRVSHELL_TraceExit("exit  PIOCORE_Create", status);
}

NTSTATUS PIOCORE_Close(PDEVICE_OBJECT device, PIRP irp)
{
    trace("enter PIOCORE_Close");
    PIOCORE_CONTEXT* ctx = context_of(device);
    {
        DriverLockGuard guard(ctx->Lock);
        if (ctx->Admitted == file_of(irp)) {
            release_held(ctx);
            ctx->Admitted = nullptr;
        } else {
            trace("close of a handle the device did not admit");
        }
    }
    return DRVSHELL_TraceExit("exit  PIOCORE_Close", STATUS_SUCCESS);
}

NTSTATUS PIOCORE_Write(PDEVICE_OBJECT device, PIRP irp)
{
    trace("enter PIOCORE_Write");
    PIOCORE_CONTEXT* ctx = context_of(device);
    const ULONG length = IoGetCurrentIrpStackLocation(irp)->Parameters.Write.Length;
    NTSTATUS status = STATUS_SUCCESS;
    DriverLockGuard guard(ctx->Lock);
    if (length > kav::kMaxMessageBytes) {
        status = STATUS_INVALID_BUFFER_SIZE; // no caller pins unbounded non-paged pool
    } else if (ctx->HeldBuffer != nullptr) {
        status = STATUS_DEVICE_BUSY;
    } else if (void* held = DRVSHELL_Pool().allocate(length, false); held == nullptr) {
        status = STATUS_INSUFFICIENT_RESOURCES;
    } else {
        kav::CycleStopwatch watch{DRVSHELL_Platform()};
        watch.start();
        memcpy(held, irp->AssociatedIrp.SystemBuffer, length);
        watch.stop();
        // Published only once it holds the message.
        ctx->HeldBuffer = held;
        ctx->HeldLength = length;
        DRVSHELL_Debug().print("RtlCopyMemory copied 0x%08x bytes in 0x%08x cycles\n", static_cast<unsigned>(length),
                               static_cast<unsigned>(watch.cycles()));
        irp->IoStatus.Information = length;
    }
    return DRVSHELL_TraceExit("exit  PIOCORE_Write", status);
}

NTSTATUS PIOCORE_Read(PDEVICE_OBJECT device, PIRP irp)
{
    trace("enter PIOCORE_Read");
    PIOCORE_CONTEXT* ctx = context_of(device);
    const ULONG length = IoGetCurrentIrpStackLocation(irp)->Parameters.Read.Length;
    NTSTATUS status = STATUS_SUCCESS;
    DriverLockGuard guard(ctx->Lock);
    if (ctx->HeldBuffer == nullptr) {
        status = STATUS_DEVICE_NOT_READY;
    } else {
        const ULONG n = length < ctx->HeldLength ? length : ctx->HeldLength;
        memcpy(irp->AssociatedIrp.SystemBuffer, ctx->HeldBuffer, n);
        irp->IoStatus.Information = n;
        release_held(ctx); // the rest of the message is dropped
    }
    return DRVSHELL_TraceExit("exit  PIOCORE_Read", status);
}
