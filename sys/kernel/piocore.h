// PIOCORE: the device layer of KAV_cash. It admits one open handle at a time,
// holds one written message until it is read, and answers GET_DRIVER_INFO.
#pragma once
#include "drvshell.h"

// Zero-filled from the guarded pool by AddDevice. Pool blocks are aligned to
// 4 bytes only (a size word precedes them), so the layout asks for no more.
#pragma pack(push, 4)
struct PIOCORE_CONTEXT {
    UCHAR OpenFlag; // 0 closed, 1 open; changed atomically
    void* HeldBuffer;
    ULONG HeldLength;
};
#pragma pack(pop)

NTSTATUS PIOCORE_DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path);
NTSTATUS PIOCORE_Dispatch(PDEVICE_OBJECT device, PIRP irp);
void PIOCORE_Unload(PDRIVER_OBJECT driver);
NTSTATUS PIOCORE_AddDevice(PDEVICE_OBJECT device);
NTSTATUS PIOCORE_RemoveDevice(PDEVICE_OBJECT device);
NTSTATUS PIOCORE_Create(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS PIOCORE_Close(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS PIOCORE_Write(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS PIOCORE_Read(PDEVICE_OBJECT device, PIRP irp);
