// SERIAL_: the simulated COM ports, one device per configured number with a
// drawer on it, or with a receipt printer and its drawer (core/sim_serial_port).
// The requests a Win32 program's comm calls send arrive here; the core says
// what to answer and when the held WAIT_ON_MASK completes. A timer per port
// closes the drawer on time.
#include "sim_config.h"
#include "sim_kernel.h"
#include "sim_serial_port.h"

namespace {

using kav::sim::SerialAnswer;
using kav::sim::SimSerialPort;
using kav::sim::WaitCompletion;

struct SERIAL_PORT_EXTENSION {
    SIM_DEVICE_HEADER Header;
    ULONG Number;
    // Guards Port and HeldWait: requests, the timer's DPC and the cancel
    // routine run on different threads.
    KSPIN_LOCK Lock;
    SimSerialPort Port;
    PIRP HeldWait;
    // Cancel routines running on this extension; interlocked, counted while
    // the cancel spin lock is held, so that removal can wait them out.
    volatile LONG CancelsRunning;
    KTIMER Timer;
    KDPC Dpc;
    uint64_t TimerDueUs; // the closing Timer was last set for
    UNICODE_STRING Link;
    WCHAR LinkBuffer[32];
};

SERIAL_PORT_EXTENSION* port_of(PDEVICE_OBJECT device)
{
    return static_cast<SERIAL_PORT_EXTENSION*>(device->DeviceExtension);
}

kav::sim::FileId file_of(PIRP irp)
{
    return reinterpret_cast<kav::sim::FileId>(IoGetCurrentIrpStackLocation(irp)->FileObject);
}

// Under the lock: the held request, if the completion is for it and its
// cancel routine has not claimed it already. That routine then ends it
// cancelled, and the events the completion carried stay for the next wait.
PIRP take_held(SERIAL_PORT_EXTENSION* ext, const WaitCompletion& completion)
{
    if (!completion.due) return nullptr;
    PIRP irp = ext->HeldWait;
    ext->HeldWait = nullptr;
    if (irp != nullptr && IoSetCancelRoutine(irp, nullptr) == nullptr) {
        ext->Port.return_events(completion.events);
        irp = nullptr;
    }
    return irp;
}

// Outside the lock.
void finish_held(SERIAL_PORT_EXTENSION* ext, PIRP irp, const WaitCompletion& completion)
{
    if (irp == nullptr) return;
    ULONG_PTR information = 0;
    if (NT_SUCCESS(completion.status)) {
        *static_cast<ULONG*>(irp->AssociatedIrp.SystemBuffer) = completion.events;
        information = sizeof(ULONG);
    }
    SIM_Print("COM%lu wait ends: events 0x%lx, status 0x%lx\n", ext->Number, static_cast<ULONG>(completion.events),
              static_cast<ULONG>(completion.status));
    SIM_Complete(irp, completion.status, information);
}

// Wine's timers wait for a running DPC whenever one is set or cancelled, and
// the DPCs take the port's lock: so timers are set only outside the lock,
// and never from their own DPC.

// Outside the lock: the timer fires when the drawer that just opened is due
// to close.
void arm_close_timer(SERIAL_PORT_EXTENSION* ext, uint64_t due_us, uint64_t now_us)
{
    const uint64_t wait_us = due_us > now_us ? due_us - now_us : 1;
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(wait_us * 10); // relative, in 100 ns units
    KeSetTimer(&ext->Timer, due, &ext->Dpc);
}

// Prints what changed the drawer: the trace is what a test reads.
void trace_drawer(SERIAL_PORT_EXTENSION* ext, bool was_open)
{
    const bool open = ext->Port.drawer().open();
    if (open != was_open) SIM_Print("COM%lu drawer %s\n", ext->Number, open ? "opened" : "closed");
}

VOID NTAPI SERIAL_CloseTimer(PKDPC, PVOID context, PVOID, PVOID)
{
    auto* ext = static_cast<SERIAL_PORT_EXTENSION*>(context);
    KIRQL irql;
    KeAcquireSpinLock(&ext->Lock, &irql);
    const bool was_open = ext->Port.drawer().open();
    // The timer is the drawer's own: when it fires for the opening it was
    // set for, the drawer closes, even if the two clocks disagree a little.
    uint64_t now_us = SIM_NowUs();
    const uint64_t due_us = ext->Port.next_change_us();
    if (due_us != 0 && due_us == ext->TimerDueUs && now_us < due_us) now_us = due_us;
    const WaitCompletion completion = ext->Port.advance(now_us);
    PIRP held = take_held(ext, completion);
    trace_drawer(ext, was_open);
    KeReleaseSpinLock(&ext->Lock, irql);
    finish_held(ext, held, completion);
}

// Called with the cancel spin lock held, at DISPATCH_LEVEL.
VOID NTAPI SERIAL_CancelWait(PDEVICE_OBJECT device, PIRP irp)
{
    SERIAL_PORT_EXTENSION* ext = port_of(device);
    InterlockedIncrement(&ext->CancelsRunning);
    IoReleaseCancelSpinLock(irp->CancelIrql);
    KIRQL irql;
    KeAcquireSpinLock(&ext->Lock, &irql);
    if (ext->HeldWait == irp) {
        ext->HeldWait = nullptr;
        ext->Port.forget_wait();
    }
    KeReleaseSpinLock(&ext->Lock, irql);
    SIM_Print("COM%lu wait cancelled\n", ext->Number);
    // The last touch of the extension: removal may free it from here on.
    InterlockedDecrement(&ext->CancelsRunning);
    SIM_Complete(irp, STATUS_CANCELLED, 0);
}

NTSTATUS NTAPI SERIAL_Create(PDEVICE_OBJECT device, PIRP irp)
{
    SERIAL_PORT_EXTENSION* ext = port_of(device);
    KIRQL irql;
    KeAcquireSpinLock(&ext->Lock, &irql);
    const bool shared = ext->Port.open();
    KeReleaseSpinLock(&ext->Lock, irql);
    if (shared) SIM_Print("COM%lu opened a second time\n", ext->Number);
    return SIM_Complete(irp, STATUS_SUCCESS, 0);
}

// Wine sends no cleanup and does not cancel a closed handle's requests, so
// close ends the opener's held wait itself.
NTSTATUS NTAPI SERIAL_Close(PDEVICE_OBJECT device, PIRP irp)
{
    SERIAL_PORT_EXTENSION* ext = port_of(device);
    KIRQL irql;
    KeAcquireSpinLock(&ext->Lock, &irql);
    const WaitCompletion completion = ext->Port.close(file_of(irp));
    PIRP held = take_held(ext, completion);
    KeReleaseSpinLock(&ext->Lock, irql);
    finish_held(ext, held, completion);
    return SIM_Complete(irp, STATUS_SUCCESS, 0);
}

// Windows ends the last handle's requests with a cleanup before the close.
NTSTATUS NTAPI SERIAL_Cleanup(PDEVICE_OBJECT device, PIRP irp)
{
    SERIAL_PORT_EXTENSION* ext = port_of(device);
    WaitCompletion completion{true, STATUS_CANCELLED, 0};
    KIRQL irql;
    KeAcquireSpinLock(&ext->Lock, &irql);
    PIRP held = nullptr;
    if (ext->HeldWait != nullptr && IoGetCurrentIrpStackLocation(ext->HeldWait)->FileObject ==
                                        IoGetCurrentIrpStackLocation(irp)->FileObject) {
        held = take_held(ext, completion);
        ext->Port.forget_wait();
    }
    KeReleaseSpinLock(&ext->Lock, irql);
    finish_held(ext, held, completion);
    return SIM_Complete(irp, STATUS_SUCCESS, 0);
}

// "55 00": the bytes a write brought or a read took, for the trace.
void trace_bytes(ULONG number, const char* moved, const UCHAR* data, ULONG length)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    char text[3 * 16 + 4];
    ULONG at = 0;
    for (ULONG i = 0; i < length && i < 16; ++i) {
        if (i > 0) text[at++] = ' ';
        text[at++] = kHex[data[i] >> 4];
        text[at++] = kHex[data[i] & 0xF];
    }
    if (length > 16) {
        text[at++] = ' ';
        text[at++] = '.';
        text[at++] = '.';
    }
    text[at] = '\0';
    SIM_Print("COM%lu %s %lu bytes: %s\n", number, moved, length, text);
}

// What a printer answered and no read took yet, at once (a drawer sends
// nothing): its answers are queued by the write that asks.
NTSTATUS NTAPI SERIAL_Read(PDEVICE_OBJECT device, PIRP irp)
{
    SERIAL_PORT_EXTENSION* ext = port_of(device);
    const ULONG length = IoGetCurrentIrpStackLocation(irp)->Parameters.Read.Length;
    auto* data = static_cast<UCHAR*>(irp->AssociatedIrp.SystemBuffer);
    KIRQL irql;
    KeAcquireSpinLock(&ext->Lock, &irql);
    const SerialAnswer answer = ext->Port.read(data, length);
    KeReleaseSpinLock(&ext->Lock, irql);
    if (answer.information != 0) trace_bytes(ext->Number, "sent", data, answer.information);
    return SIM_Complete(irp, answer.status, answer.information);
}

// What a printer made of a write's bytes; status is its answer now.
void trace_printer(ULONG number, const kav::sim::PrinterHeard& heard, const kav::sim::PrinterSetup& setup,
                   UCHAR status)
{
    if (heard.garbled) {
        SIM_Print("COM%lu printer: %lu bytes garbled, not at %lu baud 8N1\n", number, heard.ignored, setup.baud);
        return;
    }
    if (heard.status_requests != 0) SIM_Print("COM%lu printer answers DLE EOT 1 with 0x%02X\n", number, status);
    if (heard.kicks != 0) SIM_Print("COM%lu printer: ESC p on pin %u\n", number, static_cast<unsigned>(setup.pin));
    if (heard.other_pin_kicks != 0)
        SIM_Print("COM%lu printer: ESC p on pin %u, no drawer there\n", number, setup.pin == 2 ? 5u : 2u);
    if (heard.ignored != 0) SIM_Print("COM%lu printer ignores %lu bytes\n", number, heard.ignored);
}

NTSTATUS NTAPI SERIAL_Write(PDEVICE_OBJECT device, PIRP irp)
{
    SERIAL_PORT_EXTENSION* ext = port_of(device);
    const ULONG length = IoGetCurrentIrpStackLocation(irp)->Parameters.Write.Length;
    const auto* data = static_cast<const UCHAR*>(irp->AssociatedIrp.SystemBuffer);
    if (data == nullptr && length != 0) return SIM_Complete(irp, STATUS_INVALID_PARAMETER, 0);

    KIRQL irql;
    KeAcquireSpinLock(&ext->Lock, &irql);
    const bool was_open = ext->Port.drawer().open();
    const uint64_t now_us = SIM_NowUs();
    const SerialAnswer answer = ext->Port.write(data, length, now_us);
    PIRP held = take_held(ext, answer.held);
    const uint64_t closes_at_us = ext->Port.next_change_us();
    const bool sprang = !was_open && ext->Port.drawer().open();
    if (sprang) ext->TimerDueUs = closes_at_us;
    const UCHAR printer_status = ext->Port.printer().status_byte();
    KeReleaseSpinLock(&ext->Lock, irql);

    if (sprang) arm_close_timer(ext, closes_at_us, now_us);

    if (NT_SUCCESS(answer.status)) trace_bytes(ext->Number, "received", data, length);
    if (ext->Port.has_printer()) trace_printer(ext->Number, answer.heard, ext->Port.printer().setup(), printer_status);
    trace_drawer(ext, was_open);
    finish_held(ext, held, answer.held);
    return SIM_Complete(irp, answer.status, answer.information);
}

NTSTATUS NTAPI SERIAL_DeviceControl(PDEVICE_OBJECT device, PIRP irp)
{
    SERIAL_PORT_EXTENSION* ext = port_of(device);
    const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;

    KIRQL irql;
    KeAcquireSpinLock(&ext->Lock, &irql);
    const bool was_open = ext->Port.drawer().open();
    const uint64_t now_us = SIM_NowUs();
    const SerialAnswer answer = ext->Port.control(file_of(irp), code,
                                                  static_cast<uint8_t*>(irp->AssociatedIrp.SystemBuffer),
                                                  stack->Parameters.DeviceIoControl.InputBufferLength,
                                                  stack->Parameters.DeviceIoControl.OutputBufferLength, now_us);
    PIRP held = take_held(ext, answer.held);
    bool cancelled_on_arrival = false;
    if (answer.hold) {
        IoMarkIrpPending(irp);
        ext->HeldWait = irp;
        IoSetCancelRoutine(irp, SERIAL_CancelWait);
        if (irp->Cancel && IoSetCancelRoutine(irp, nullptr) != nullptr) {
            ext->HeldWait = nullptr;
            ext->Port.forget_wait();
            cancelled_on_arrival = true;
        }
    }
    KeReleaseSpinLock(&ext->Lock, irql);

    trace_drawer(ext, was_open);
    finish_held(ext, held, answer.held);
    if (answer.hold) {
        if (cancelled_on_arrival) SIM_Complete(irp, STATUS_CANCELLED, 0);
        return STATUS_PENDING;
    }
    return SIM_Complete(irp, answer.status, answer.information);
}

// GetFileType asks the device's type.
NTSTATUS NTAPI SERIAL_QueryVolume(PDEVICE_OBJECT, PIRP irp)
{
    const PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    if (stack->Parameters.QueryVolume.FsInformationClass != FileFsDeviceInformation ||
        stack->Parameters.QueryVolume.Length < sizeof(FILE_FS_DEVICE_INFORMATION) ||
        irp->AssociatedIrp.SystemBuffer == nullptr)
        return SIM_Complete(irp, STATUS_INVALID_PARAMETER, 0);
    auto* info = static_cast<FILE_FS_DEVICE_INFORMATION*>(irp->AssociatedIrp.SystemBuffer);
    info->DeviceType = FILE_DEVICE_SERIAL_PORT;
    info->Characteristics = 0;
    return SIM_Complete(irp, STATUS_SUCCESS, sizeof *info);
}

// Nothing is ever queued to send.
NTSTATUS NTAPI SERIAL_Flush(PDEVICE_OBJECT, PIRP irp)
{
    return SIM_Complete(irp, STATUS_SUCCESS, 0);
}

// At unload, at the passive level: nothing may run on the extension, nor a
// request stay held, once the device is deleted.
void SERIAL_RemoveDevice(PDEVICE_OBJECT device)
{
    SERIAL_PORT_EXTENSION* ext = port_of(device);
    if (ext->Link.Length != 0) IoDeleteSymbolicLink(&ext->Link);
    // A timer cancelled may have queued its DPC already: wait that out.
    KeCancelTimer(&ext->Timer);
    KeFlushQueuedDpcs();

    // A held wait ends now, cancelled, unless its cancel routine has it.
    KIRQL irql;
    KeAcquireSpinLock(&ext->Lock, &irql);
    PIRP held = ext->HeldWait;
    ext->HeldWait = nullptr;
    if (held != nullptr && IoSetCancelRoutine(held, nullptr) == nullptr) held = nullptr;
    ext->Port.forget_wait();
    KeReleaseSpinLock(&ext->Lock, irql);
    if (held != nullptr) {
        SIM_Print("COM%lu wait ends: the port goes away\n", ext->Number);
        SIM_Complete(held, STATUS_CANCELLED, 0);
    }

    // A cancel routine already called has counted itself (it is called with
    // the cancel spin lock held); wait until each has let go of the extension.
    IoAcquireCancelSpinLock(&irql);
    IoReleaseCancelSpinLock(irql);
    while (InterlockedCompareExchange(&ext->CancelsRunning, 0, 0) != 0) {
        LARGE_INTEGER a_moment;
        a_moment.QuadPart = -10000; // 1 ms, relative
        KeDelayExecutionThread(KernelMode, FALSE, &a_moment);
    }
}

constexpr SIM_MODULE kSerialModule = {
    "serial",           SERIAL_Create, SERIAL_Close,       SERIAL_Cleanup,     SERIAL_Read,
    SERIAL_Write,       SERIAL_DeviceControl, SERIAL_QueryVolume, SERIAL_Flush, SERIAL_RemoveDevice, nullptr,
};

// "\Device\KavSimSerial<n>" linked as "\DosDevices\COM<n>"; with a
// printer on it when one is given.
bool add_port(PDRIVER_OBJECT driver, ULONG number, uint64_t close_after_us,
              const kav::sim::PrinterSetup* printer = nullptr)
{
    WCHAR device_buffer[48];
    UNICODE_STRING device_name;
    SIM_NumberedName(&device_name, device_buffer, sizeof device_buffer, L"\\Device\\KavSimSerial", number);

    PDEVICE_OBJECT device = nullptr;
    // Exclusive, as a real COM port; Wine ignores it, the core refuses instead.
    NTSTATUS status = IoCreateDevice(driver, sizeof(SERIAL_PORT_EXTENSION), &device_name, FILE_DEVICE_SERIAL_PORT,
                                     0, TRUE, &device);
    if (!NT_SUCCESS(status)) {
        SIM_Print("COM%lu: no device (0x%lx)\n", number, static_cast<ULONG>(status));
        return false;
    }
    SERIAL_PORT_EXTENSION* ext = port_of(device);
    RtlZeroMemory(ext, sizeof *ext);
    ext->Header.Module = &kSerialModule;
    ext->Number = number;
    KeInitializeSpinLock(&ext->Lock);
    ext->Port = printer != nullptr ? SimSerialPort(close_after_us, *printer) : SimSerialPort(close_after_us);
    KeInitializeTimer(&ext->Timer);
    KeInitializeDpc(&ext->Dpc, SERIAL_CloseTimer, ext);

    SIM_NumberedName(&ext->Link, ext->LinkBuffer, sizeof ext->LinkBuffer, L"\\DosDevices\\COM", number);
    status = IoCreateSymbolicLink(&ext->Link, &device_name);
    if (!NT_SUCCESS(status)) {
        SIM_Print("COM%lu: no link (0x%lx)\n", number, static_cast<ULONG>(status));
        ext->Link.Length = 0;
        IoDeleteDevice(device);
        return false;
    }
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    if (printer != nullptr)
        SIM_Print("COM%lu ready: a receipt printer at %lu baud, its drawer on pin %u, open while pin 3 is %s\n",
                  number, printer->baud, static_cast<unsigned>(printer->pin), printer->open_low ? "low" : "high");
    else SIM_Print("COM%lu ready\n", number);
    return true;
}

// The receipt printers, each on a port no drawer has.
int add_printers(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path, const kav::sim::SerialPortList& taken,
                 uint64_t close_after_us)
{
    char text[128];
    kav::sim::PrinterList printers;
    if (!SIM_ReadText(registry_path, kav::sim::kPrinterPortsValue, text, sizeof text)) return 0;
    if (!kav::sim::parse_printer_list(text, printers)) {
        SIM_Print("%ls \"%s\" is no printer list: none of its printers\n", kav::sim::kPrinterPortsValue, text);
        return 0;
    }
    int made = 0;
    for (int i = 0; i < printers.count; ++i) {
        const kav::sim::PrinterEntry& entry = printers.printers[i];
        bool drawer_there = false;
        for (int j = 0; j < taken.count; ++j) drawer_there = drawer_there || taken.numbers[j] == entry.number;
        if (drawer_there) SIM_Print("COM%u has a drawer already: no printer there\n", static_cast<unsigned>(entry.number));
        else if (add_port(driver, entry.number, close_after_us, &entry.setup)) ++made;
    }
    return made;
}

} // namespace

int SERIAL_AddPorts(PDRIVER_OBJECT driver, PUNICODE_STRING registry_path, ULONG close_ms)
{
    // The serial ports and the adapters' ports, each number once.
    kav::sim::SerialPortList all;
    const wchar_t* const values[] = {kav::sim::kSerialPortsValue, kav::sim::kAdapterPortsValue};
    for (const wchar_t* value : values) {
        char text[128];
        kav::sim::SerialPortList ports;
        if (!SIM_ReadText(registry_path, value, text, sizeof text)) continue;
        if (!kav::sim::parse_port_list(text, ports)) {
            SIM_Print("%ls \"%s\" is no port list: none of its ports\n", value, text);
            continue;
        }
        kav::sim::add_ports(all, ports);
    }
    int made = 0;
    for (int i = 0; i < all.count; ++i) {
        if (add_port(driver, all.numbers[i], uint64_t{close_ms} * 1000)) ++made;
    }
    return made + add_printers(driver, registry_path, all, uint64_t{close_ms} * 1000);
}
