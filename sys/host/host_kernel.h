// A stand-in for the few kernel types and calls the driver framework uses, so
// the framework's own sources build and run natively under test. Field and
// function names follow the kernel's; only what the framework touches exists.
// Every call can be made to fail, and every effect is recorded in HostKernel.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using NTSTATUS = int32_t;
using ULONG = uint32_t;
using LONG = int32_t;
using USHORT = uint16_t;
using UCHAR = uint8_t;
using CHAR = char;
using CCHAR = char;
using BOOLEAN = uint8_t;
using PVOID = void*;
using PCHAR = char*;
using PCSZ = const char*;
using WCHAR = char16_t;
using SIZE_T = size_t;
using ULONG_PTR = uintptr_t;
using LONGLONG = int64_t;
using ULONG64 = uint64_t;
using KIRQL = UCHAR;
using ACCESS_MASK = ULONG;
using HANDLE = void*;
using PHANDLE = HANDLE*;
using SECURITY_INFORMATION = ULONG;
using PSECURITY_DESCRIPTOR = void*;

#define NTAPI
#define TRUE 1
#define FALSE 0
#define NT_SUCCESS(s) (static_cast<NTSTATUS>(s) >= 0)
#define STATUS_SUCCESS static_cast<NTSTATUS>(0)
#define STATUS_PENDING static_cast<NTSTATUS>(0x103)
#define STATUS_DEVICE_BUSY static_cast<NTSTATUS>(0x80000011u)
#define STATUS_INVALID_PARAMETER static_cast<NTSTATUS>(0xC000000Du)
#define STATUS_INSUFFICIENT_RESOURCES static_cast<NTSTATUS>(0xC000009Au)
#define STATUS_DEVICE_NOT_READY static_cast<NTSTATUS>(0xC00000A3u)
#define STATUS_INVALID_BUFFER_SIZE static_cast<NTSTATUS>(0xC0000206u)
#define STATUS_OBJECT_NAME_COLLISION static_cast<NTSTATUS>(0xC0000035u)
#define STATUS_ACCESS_DENIED static_cast<NTSTATUS>(0xC0000022u)
#define STATUS_DELETE_PENDING static_cast<NTSTATUS>(0xC0000056u)

#define IRP_MJ_CREATE 0x00
#define IRP_MJ_CLOSE 0x02
#define IRP_MJ_READ 0x03
#define IRP_MJ_WRITE 0x04
#define IRP_MJ_DEVICE_CONTROL 0x0e
#define IRP_MJ_MAXIMUM_FUNCTION 0x1b
#define FILE_DEVICE_UNKNOWN 0x22
#define FILE_DEVICE_SECURE_OPEN 0x00000100
#define DO_BUFFERED_IO 0x00000004
#define DO_DEVICE_INITIALIZING 0x00000080
#define IO_NO_INCREMENT 0
#define PASSIVE_LEVEL 0
#define APC_LEVEL 1
#define DISPATCH_LEVEL 2
#define OBJ_KERNEL_HANDLE 0x00000200
#define WRITE_DAC 0x00040000
#define DACL_SECURITY_INFORMATION 0x00000004
#define STATUS_OBJECT_TYPE_MISMATCH static_cast<NTSTATUS>(0xC0000024u)

// The source annotations of the WDK: documentation here, checked by the tools
// of a Windows build.
#define _IRQL_requires_max_(level)

enum POOL_TYPE { NonPagedPool = 0 };
enum KPROCESSOR_MODE { KernelMode = 0 };
enum KWAIT_REASON { Executive = 0 };
enum EVENT_TYPE { NotificationEvent = 0, SynchronizationEvent = 1 };

union LARGE_INTEGER {
    struct {
        ULONG LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
};

struct ANSI_STRING {
    USHORT Length;
    USHORT MaximumLength;
    PCHAR Buffer;
};
using PANSI_STRING = ANSI_STRING*;
struct UNICODE_STRING {
    USHORT Length;
    USHORT MaximumLength;
    WCHAR* Buffer;
};
using PUNICODE_STRING = UNICODE_STRING*;

struct DRIVER_OBJECT;
struct DEVICE_OBJECT {
    ULONG Flags;
    PVOID DeviceExtension;
    DRIVER_OBJECT* DriverObject;
    DEVICE_OBJECT* NextDevice;
    ULONG DeviceType;
};
using PDEVICE_OBJECT = DEVICE_OBJECT*;

struct IO_STATUS_BLOCK {
    NTSTATUS Status;
    ULONG_PTR Information;
};

// The kernel's object for one open handle; the driver only compares addresses.
struct FILE_OBJECT {
    int unused;
};
using PFILE_OBJECT = FILE_OBJECT*;

struct IO_STACK_LOCATION {
    UCHAR MajorFunction;
    PFILE_OBJECT FileObject;
    union {
        struct {
            ULONG Length;
        } Read;
        struct {
            ULONG Length;
        } Write;
        struct {
            ULONG OutputBufferLength;
            ULONG InputBufferLength;
            ULONG IoControlCode;
        } DeviceIoControl;
    } Parameters;
};
using PIO_STACK_LOCATION = IO_STACK_LOCATION*;

struct IRP {
    IO_STATUS_BLOCK IoStatus;
    union {
        PVOID SystemBuffer;
    } AssociatedIrp;
    IO_STACK_LOCATION Stack; // the one stack location this driver sees
};
using PIRP = IRP*;

// The routine roles of the DDK: a routine declared with one has its type.
using DRIVER_DISPATCH = NTSTATUS(PDEVICE_OBJECT, PIRP);
using DRIVER_UNLOAD = void(DRIVER_OBJECT*);
using DRIVER_INITIALIZE = NTSTATUS(DRIVER_OBJECT*, PUNICODE_STRING);
using PDRIVER_DISPATCH = DRIVER_DISPATCH*;
using PDRIVER_UNLOAD = DRIVER_UNLOAD*;

struct DRIVER_OBJECT {
    DEVICE_OBJECT* DeviceObject;
    PDRIVER_UNLOAD DriverUnload;
    PDRIVER_DISPATCH MajorFunction[IRP_MJ_MAXIMUM_FUNCTION + 1];
};
using PDRIVER_OBJECT = DRIVER_OBJECT*;

inline PIO_STACK_LOCATION IoGetCurrentIrpStackLocation(PIRP irp) { return &irp->Stack; }

NTSTATUS IoCreateDevice(PDRIVER_OBJECT driver, ULONG extension_size, PUNICODE_STRING name, ULONG type,
                        ULONG characteristics, BOOLEAN exclusive, PDEVICE_OBJECT* device);
void IoDeleteDevice(PDEVICE_OBJECT device);
NTSTATUS IoCreateUnprotectedSymbolicLink(PUNICODE_STRING link, PUNICODE_STRING device);
NTSTATUS IoDeleteSymbolicLink(PUNICODE_STRING link);
void IofCompleteRequest(PIRP irp, CCHAR boost);
#define IoCompleteRequest IofCompleteRequest
void RtlInitAnsiString(PANSI_STRING dest, PCSZ source);
NTSTATUS RtlAnsiStringToUnicodeString(PUNICODE_STRING dest, PANSI_STRING source, BOOLEAN allocate);
void RtlFreeUnicodeString(PUNICODE_STRING s);
PVOID ExAllocatePoolWithTag(POOL_TYPE type, SIZE_T bytes, ULONG tag);
void ExFreePool(PVOID block);
LARGE_INTEGER KeQueryPerformanceCounter(LARGE_INTEGER* frequency);
ULONG DbgPrint(PCSZ format, ...);
void DbgBreakPoint();
ULONG64 read_cycle_counter(); // the processor's time-stamp counter

// Waits: a sleep moves the performance counter on by its interval (negative:
// relative, in 100 ns units) and is recorded; nothing really sleeps.
NTSTATUS KeDelayExecutionThread(KPROCESSOR_MODE mode, BOOLEAN alertable, LARGE_INTEGER* interval);
ULONG ExSetTimerResolution(ULONG desired, BOOLEAN set);

// The processor's interrupt level, per thread: every thread starts at the
// passive level. A call that may wait (a sleep, a wait with a timeout other
// than zero) or code that may wait (PAGED_CODE) above APC_LEVEL is recorded
// in HostKernel::irql_faults, as the kernel would stop with
// IRQL_NOT_LESS_OR_EQUAL; the driver's tests fail on any.
KIRQL KeGetCurrentIrql();
void KeRaiseIrql(KIRQL level, KIRQL* old_level);
void KeLowerIrql(KIRQL level);
void host_paged_code(const char* routine);
#define PAGED_CODE() host_paged_code(__func__)

// Normal kernel APCs (thread suspension among them) held off, per thread;
// regions nest.
void KeEnterCriticalRegion();
void KeLeaveCriticalRegion();

// Object security: a handle to an object the driver holds, and its DACL
// replaced through it (recorded as HostKernel::device_security).
struct OBJECT_TYPE;
using POBJECT_TYPE = OBJECT_TYPE*;
struct ACCESS_STATE;
using PACCESS_STATE = ACCESS_STATE*;
NTSTATUS ObOpenObjectByPointer(PVOID object, ULONG attributes, PACCESS_STATE state, ACCESS_MASK access,
                               POBJECT_TYPE type, KPROCESSOR_MODE mode, PHANDLE handle);
NTSTATUS ZwSetSecurityObject(HANDLE handle, SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor);
NTSTATUS ZwClose(HANDLE handle);

// A real event (threads of a test block on it), built in place by
// KeInitializeEvent: the driver keeps events in pool blocks no constructor ran
// on. Those are aligned as the system pool's, to two pointers (8 bytes on
// 32-bit Windows), so the event may ask for no more.
struct KEVENT {
    alignas(2 * sizeof(void*)) unsigned char storage[160];
};
using PKEVENT = KEVENT*;
void KeInitializeEvent(PKEVENT event, EVENT_TYPE type, BOOLEAN state);
NTSTATUS KeWaitForSingleObject(PVOID object, KWAIT_REASON reason, KPROCESSOR_MODE mode, BOOLEAN alertable,
                               LARGE_INTEGER* timeout);
LONG KeSetEvent(PKEVENT event, LONG increment, BOOLEAN wait);

// The kernel's two debugger flags; tests call HostKernel::set_debugger.
extern BOOLEAN* KdDebuggerEnabled;
extern BOOLEAN* KdDebuggerNotPresent;
#define KD_DEBUGGER_ENABLED (*KdDebuggerEnabled)
#define KD_DEBUGGER_NOT_PRESENT (*KdDebuggerNotPresent)

// What the stand-in recorded, and the faults it is told to inject. Tests reset
// it before each case. Every call may come from several threads at once.
struct HostKernel {
    // Runs inside the kernel call named by point ("DbgPrint <line>", "cycle
    // counter", "performance counter", "allocate", "free", "sleep"), so a test
    // can act in the middle of a request. It returns true once it has done its
    // work and is then removed; calls it makes itself do not run it again.
    std::function<bool(const std::string& point)> hook;
    // What KdDebuggerEnabled and KdDebuggerNotPresent point at: no debugger.
    BOOLEAN kd_debugger_enabled = FALSE;
    BOOLEAN kd_debugger_not_present = TRUE;
    void set_debugger(bool present);
    ULONG device_characteristics = 0; // of the last IoCreateDevice

    // Fault injection: the n-th call (1-based) fails; 0 never.
    int fail_pool_at = 0;
    bool fail_create_device = false;
    bool fail_symbolic_link = false;
    bool fail_set_security = false;

    // "<call> at IRQL <n>" for each call made above the level it allows.
    std::vector<std::string> irql_faults;
    // The self-relative descriptor last set on the device, and the access
    // its handle was opened with; handles of ObOpenObjectByPointer not yet closed.
    std::vector<uint8_t> device_security;
    ACCESS_MASK security_handle_access = 0;
    int open_object_handles = 0;

    int pool_calls = 0;
    int64_t live_pool_blocks = 0;
    std::vector<ULONG> pool_tags;
    std::vector<std::string> devices; // names of live device objects
    std::vector<std::string> links;   // names of live links
    std::vector<std::string> debug_lines;
    int breakpoints = 0;
    std::vector<PIRP> completed;
    std::vector<int64_t> sleeps; // each KeDelayExecutionThread interval, 100 ns units
    int timer_resolution_requests = 0; // ExSetTimerResolution(.., TRUE) not yet undone
    int64_t counter = 0; // performance counter; advances on each query
    // Time-stamp counter: starts far from 0 so a reading is never mistaken
    // for a difference of two; advances by kCyclesPerRead on each read.
    static constexpr ULONG64 kCyclesPerRead = 977;
    ULONG64 cycles = 0x123456789;

    static HostKernel& get();
    void reset();
    std::string debug_text() const;
    // Completions of irp recorded from index `from` on; safe while requests run.
    size_t completed_count() const;
    int completions_of(PIRP irp, size_t from) const;
    // The calling thread's critical-region depth (0: outside any).
    static int critical_region_depth();
    std::vector<std::string> irql_faults_seen() const;
};
