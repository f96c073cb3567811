// PIOCORE: the device layer of KAV_cash. It admits one open handle at a time,
// holds one written message until it is read, and answers GET_DRIVER_INFO.
#pragma once
#include "drvshell.h"

#include "driver_lock.h"

// Zero-filled from the guarded pool by AddDevice. Requests on the one handle
// may run at the same time: every field is read and changed under Lock.
struct PIOCORE_CONTEXT {
    DriverLock Lock;
    PFILE_OBJECT Admitted; // the open handle's file object, nullptr while closed
    void* HeldBuffer;
    ULONG HeldLength;
};

// The framework's slots. Each runs at the passive level (the context's lock
// may wait) and returns the request's status for the framework to complete it.
_IRQL_requires_max_(PASSIVE_LEVEL) NTSTATUS PIOCORE_DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path);
_IRQL_requires_max_(PASSIVE_LEVEL) NTSTATUS PIOCORE_Dispatch(PDEVICE_OBJECT device, PIRP irp);
_IRQL_requires_max_(PASSIVE_LEVEL) NTSTATUS PIOCORE_AddDevice(PDEVICE_OBJECT device);
_IRQL_requires_max_(PASSIVE_LEVEL) NTSTATUS PIOCORE_RemoveDevice(PDEVICE_OBJECT device);
_IRQL_requires_max_(PASSIVE_LEVEL) NTSTATUS PIOCORE_Create(PDEVICE_OBJECT device, PIRP irp);
_IRQL_requires_max_(PASSIVE_LEVEL) NTSTATUS PIOCORE_Close(PDEVICE_OBJECT device, PIRP irp);
// Write and read come only through the admitted handle: the framework asks
// PIOCORE_Admits first.
_IRQL_requires_max_(PASSIVE_LEVEL) NTSTATUS PIOCORE_Write(PDEVICE_OBJECT device, PIRP irp);
_IRQL_requires_max_(PASSIVE_LEVEL) NTSTATUS PIOCORE_Read(PDEVICE_OBJECT device, PIRP irp);
_IRQL_requires_max_(PASSIVE_LEVEL) BOOLEAN PIOCORE_Admits(PDEVICE_OBJECT device, PIRP irp);
