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

NTSTATUS PIOCORE_DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path);
NTSTATUS PIOCORE_Dispatch(PDEVICE_OBJECT device, PIRP irp);
void PIOCORE_Unload(PDRIVER_OBJECT driver);
NTSTATUS PIOCORE_AddDevice(PDEVICE_OBJECT device);
NTSTATUS PIOCORE_RemoveDevice(PDEVICE_OBJECT device);
NTSTATUS PIOCORE_Create(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS PIOCORE_Close(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS PIOCORE_Write(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS PIOCORE_Read(PDEVICE_OBJECT device, PIRP irp);
BOOLEAN PIOCORE_Admits(PDEVICE_OBJECT device, PIRP irp);
