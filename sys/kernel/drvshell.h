// DRVSHELL: the driver's framework layer. It owns the entry point, the one
// device and its link, the routing of requests and their completion; the
// device layer plugs in through the callback table that OpenDriver fills.
#pragma once
#include "kernel_api.h"
#include "command_engine.h"
#include "guarded_pool.h"
#include "port_io.h"
#include "wdm_debug.h"

// Every slot is called at the passive level in the caller's thread, and
// completes nothing itself: the framework completes each request once with
// the status the slot returns, which is never STATUS_PENDING.
struct DRVSHELL_CALLBACKS {
    NTSTATUS (*DriverEntry)(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path);
    NTSTATUS (*Dispatch)(PDEVICE_OBJECT device, PIRP irp); // device-control codes the framework leaves
    NTSTATUS (*AddDevice)(PDEVICE_OBJECT device);
    NTSTATUS (*RemoveDevice)(PDEVICE_OBJECT device);
    NTSTATUS (*Create)(PDEVICE_OBJECT device, PIRP irp);
    NTSTATUS (*Close)(PDEVICE_OBJECT device, PIRP irp);
    NTSTATUS (*Write)(PDEVICE_OBJECT device, PIRP irp);
    NTSTATUS (*Read)(PDEVICE_OBJECT device, PIRP irp);
    // Whether a read, write or device-control request comes through the
    // handle the device admitted; requests from any other are refused before
    // they reach a slot. Empty: all.
    BOOLEAN (*Admits)(PDEVICE_OBJECT device, PIRP irp);
};

inline constexpr ULONG kNameBytes = 128;

struct DEVICE_EXTENSION {
    char DeviceName[kNameBytes];
    char LinkName[kNameBytes];
    void* Context; // the device layer's
};

inline DEVICE_EXTENSION* DRVSHELL_Extension(PDEVICE_OBJECT device)
{
    return static_cast<DEVICE_EXTENSION*>(device->DeviceExtension);
}

// A device-control request's one system buffer with its input and output lengths.
inline kav::RequestBuffer DRVSHELL_ControlRequest(PIRP irp)
{
    const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    return {static_cast<uint8_t*>(irp->AssociatedIrp.SystemBuffer), stack->Parameters.DeviceIoControl.InputBufferLength,
            stack->Parameters.DeviceIoControl.OutputBufferLength};
}

// The device layer's registration routine: fills the table and sets the
// driver's name and version. It cannot fail.
void OpenDriver(DRVSHELL_CALLBACKS* callbacks);

// Called by the system, so in its calling convention. Every request routine
// runs in the caller's thread at the passive level and may wait (the port
// lock, a 200 ms pulse); unload waits for the requests still inside.
extern "C" DRIVER_INITIALIZE DriverEntry;
_IRQL_requires_max_(PASSIVE_LEVEL) DRIVER_DISPATCH DRVSHELL_Create;
_IRQL_requires_max_(PASSIVE_LEVEL) DRIVER_DISPATCH DRVSHELL_Close;
_IRQL_requires_max_(PASSIVE_LEVEL) DRIVER_DISPATCH DRVSHELL_Read;
_IRQL_requires_max_(PASSIVE_LEVEL) DRIVER_DISPATCH DRVSHELL_Write;
_IRQL_requires_max_(PASSIVE_LEVEL) DRIVER_DISPATCH DRVSHELL_Dispatch;
_IRQL_requires_max_(PASSIVE_LEVEL) DRIVER_UNLOAD DRVSHELL_Unload;
// Completes a request; callable up to DISPATCH_LEVEL, as IoCompleteRequest.
_IRQL_requires_max_(DISPATCH_LEVEL) void DRVSHELL_CompleteIO(PDEVICE_OBJECT device, PIRP irp);

// The driver's trace and pool, shared with the device layer.
kav::WdmDebug& DRVSHELL_Debug();
kav::GuardedPool& DRVSHELL_Pool();
kav::DebugPlatform& DRVSHELL_Platform();
// Ends a routine the same way everywhere: a failing status goes to the status
// log, then "exit  <routine>" and "status = (<status>)" are printed.
NTSTATUS DRVSHELL_TraceExit(const char* routine_exit, NTSTATUS status);
// The port backend, chosen at build time: the HAL's ports or the simulated terminal.
kav::PortIo& DRVSHELL_Ports();

#if !defined(KAV_KERNEL)
// Native tests start every case from a freshly loaded driver image.
void DRVSHELL_ResetForTests();
// The backend's part of that: the simulated terminal back at power-on.
void DRVSHELL_ResetPortsForTests();
#endif
