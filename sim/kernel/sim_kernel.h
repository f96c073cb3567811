// The DDK for KAV_sim.sys, and the contract between its framework
// (sim_driver.cpp) and its modules: every device's extension starts with the
// table of the module that made it, and the framework routes each request
// there. A module serves one kind of peripheral: serial drawers, HID
// devices; the adapters make no devices, only registry keys.
#pragma once

extern "C" {
// The DDK's inline versions of these clash with the compiler's intrinsics.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#include <ntddk.h>
#include <ntddser.h>
}
#include <stdint.h>

// A module's routines. Each one given a request completes it (or holds it
// and returns STATUS_PENDING); an empty slot refuses the request.
struct SIM_MODULE {
    const char* Name;
    DRIVER_DISPATCH* Create;
    DRIVER_DISPATCH* Close;
    DRIVER_DISPATCH* Cleanup;
    DRIVER_DISPATCH* Read;
    DRIVER_DISPATCH* Write;
    DRIVER_DISPATCH* DeviceControl;
    DRIVER_DISPATCH* QueryVolume;
    DRIVER_DISPATCH* Flush;
    // At unload, before the framework deletes the device.
    void (*RemoveDevice)(PDEVICE_OBJECT device);
    // Plug and play requests; empty: completed as they came.
    DRIVER_DISPATCH* Pnp;
};

// The first member of every device extension.
struct SIM_DEVICE_HEADER {
    const SIM_MODULE* Module;
};

// Completes a request with status and the count of bytes it returns.
NTSTATUS SIM_Complete(PIRP irp, NTSTATUS status, ULONG_PTR information);

// name = prefix followed by number in decimal, in buffer (size bytes): the
// devices' and links' names. Cut to fit, as RtlAppendUnicodeToString does.
void SIM_NumberedName(UNICODE_STRING* name, PWCHAR buffer, USHORT size, const wchar_t* prefix, ULONG number);

// Microseconds on the performance counter: the drawers' clock.
uint64_t SIM_NowUs();

// The driver's trace: "KAV_sim: " and the line.
#define SIM_Print(...) DbgPrint("KAV_sim: " __VA_ARGS__)

// Values the harness wrote under the service key. False when the value is
// missing or of another type; text is ASCII, cut to fit, always terminated.
bool SIM_ReadText(PUNICODE_STRING registry_path, const wchar_t* name, char* text, ULONG size);
bool SIM_ReadNumber(PUNICODE_STRING registry_path, const wchar_t* name, ULONG* value);

// The serial drawer module: makes the configured COM ports, the adapters'
// ones and the receipt printers' among them. Returns how many it made.
int SERIAL_AddPorts(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path, ULONG close_ms);

// The HID module: makes the configured HID devices. Returns how many.
int HID_AddDevices(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path, ULONG close_ms);

// The adapters: writes their instance keys; returns how many. Removing them
// is part of unloading.
int ADAPTER_AddInstances(PUNICODE_STRING registry_path);
void ADAPTER_RemoveInstances();
