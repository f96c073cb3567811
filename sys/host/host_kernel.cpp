#include "host_kernel.h"

#include <algorithm>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

namespace {

// One lock for everything the stand-in records; never held while a hook runs
// or while a caller waits.
std::recursive_mutex g_lock;
using Guard = std::lock_guard<std::recursive_mutex>;
bool g_hook_running = false;

// The level and the critical-region depth of each thread.
thread_local KIRQL t_irql = PASSIVE_LEVEL;
thread_local int t_critical_regions = 0;

// A call that may wait, or pageable code, runs at most at APC_LEVEL.
void check_may_wait(const char* call)
{
    if (t_irql <= APC_LEVEL) return;
    Guard guard(g_lock);
    HostKernel::get().irql_faults.push_back(std::string(call) + " at IRQL " + std::to_string(t_irql));
}

void run_hook(const std::string& point)
{
    std::function<bool(const std::string&)> hook;
    {
        Guard guard(g_lock);
        HostKernel& k = HostKernel::get();
        if (!k.hook || g_hook_running) return;
        hook = k.hook;
        g_hook_running = true;
    }
    const bool done = hook(point);
    Guard guard(g_lock);
    g_hook_running = false;
    if (done) HostKernel::get().hook = nullptr;
}

struct HostDevice {
    DEVICE_OBJECT object;
    std::string name;
};

bool take_pool_call()
{
    Guard guard(g_lock);
    HostKernel& k = HostKernel::get();
    ++k.pool_calls;
    return k.fail_pool_at == 0 || k.pool_calls != k.fail_pool_at;
}

std::string to_narrow(const UNICODE_STRING& s)
{
    std::string out;
    for (USHORT i = 0; i < s.Length / 2; ++i) out += static_cast<char>(s.Buffer[i]);
    return out;
}

} // namespace

HostKernel& HostKernel::get()
{
    static HostKernel kernel;
    return kernel;
}

void HostKernel::set_debugger(bool present)
{
    kd_debugger_enabled = present ? TRUE : FALSE;
    kd_debugger_not_present = present ? FALSE : TRUE;
}

void HostKernel::reset()
{
    Guard guard(g_lock);
    const int64_t keep = counter; // time never runs backwards, not even between tests
    *this = HostKernel{};
    counter = keep;
}

size_t HostKernel::completed_count() const
{
    Guard guard(g_lock);
    return completed.size();
}

int HostKernel::completions_of(PIRP irp, size_t from) const
{
    Guard guard(g_lock);
    int n = 0;
    for (size_t i = from; i < completed.size(); ++i) n += completed[i] == irp;
    return n;
}

int HostKernel::critical_region_depth() { return t_critical_regions; }

std::vector<std::string> HostKernel::irql_faults_seen() const
{
    Guard guard(g_lock);
    return irql_faults;
}

std::string HostKernel::debug_text() const
{
    Guard guard(g_lock);
    std::string all;
    for (const std::string& l : debug_lines) all += l;
    return all;
}

NTSTATUS IoCreateDevice(PDRIVER_OBJECT driver, ULONG extension_size, PUNICODE_STRING name, ULONG type,
                        ULONG characteristics, BOOLEAN, PDEVICE_OBJECT* device)
{
    Guard guard(g_lock);
    HostKernel& k = HostKernel::get();
    k.device_characteristics = characteristics;
    if (k.fail_create_device) return STATUS_OBJECT_NAME_COLLISION;
    // One block: the device object, then its extension, as the kernel lays it out.
    auto* block = static_cast<unsigned char*>(std::malloc(sizeof(HostDevice) + extension_size));
    auto* dev = new (block) HostDevice{};
    dev->name = to_narrow(*name);
    dev->object.DeviceExtension = extension_size ? block + sizeof(HostDevice) : nullptr;
    std::memset(block + sizeof(HostDevice), 0xCD, extension_size); // callers must not trust its contents
    dev->object.DriverObject = driver;
    dev->object.DeviceType = type;
    dev->object.Flags = DO_DEVICE_INITIALIZING;
    dev->object.NextDevice = driver->DeviceObject;
    driver->DeviceObject = &dev->object;
    k.devices.push_back(dev->name);
    *device = &dev->object;
    return STATUS_SUCCESS;
}

void IoDeleteDevice(PDEVICE_OBJECT device)
{
    HostKernel& k = HostKernel::get();
    auto* dev = reinterpret_cast<HostDevice*>(device); // object is the first member
    DRIVER_OBJECT* driver = device->DriverObject;
    for (DEVICE_OBJECT** p = &driver->DeviceObject; *p != nullptr; p = &(*p)->NextDevice) {
        if (*p == device) {
            *p = device->NextDevice;
            break;
        }
    }
    const auto it = std::find(k.devices.begin(), k.devices.end(), dev->name);
    if (it != k.devices.end()) k.devices.erase(it);
    dev->~HostDevice();
    std::free(dev);
}

NTSTATUS IoCreateUnprotectedSymbolicLink(PUNICODE_STRING link, PUNICODE_STRING)
{
    HostKernel& k = HostKernel::get();
    if (k.fail_symbolic_link) return STATUS_OBJECT_NAME_COLLISION;
    k.links.push_back(to_narrow(*link));
    return STATUS_SUCCESS;
}

NTSTATUS IoDeleteSymbolicLink(PUNICODE_STRING link)
{
    HostKernel& k = HostKernel::get();
    const auto it = std::find(k.links.begin(), k.links.end(), to_narrow(*link));
    if (it == k.links.end()) return STATUS_OBJECT_NAME_COLLISION;
    k.links.erase(it);
    return STATUS_SUCCESS;
}

void IofCompleteRequest(PIRP irp, CCHAR)
{
    Guard guard(g_lock);
    HostKernel::get().completed.push_back(irp);
}

void RtlInitAnsiString(PANSI_STRING dest, PCSZ source)
{
    const size_t n = source ? std::strlen(source) : 0;
    dest->Buffer = const_cast<PCHAR>(source);
    dest->Length = static_cast<USHORT>(n);
    dest->MaximumLength = static_cast<USHORT>(source ? n + 1 : 0);
}

NTSTATUS RtlAnsiStringToUnicodeString(PUNICODE_STRING dest, PANSI_STRING source, BOOLEAN allocate)
{
    WCHAR* buf = dest->Buffer;
    if (allocate) {
        if (!take_pool_call()) return STATUS_INSUFFICIENT_RESOURCES;
        buf = static_cast<WCHAR*>(std::calloc(source->Length + 1u, sizeof(WCHAR)));
        Guard guard(g_lock);
        ++HostKernel::get().live_pool_blocks;
        dest->MaximumLength = static_cast<USHORT>(source->Length * 2 + 2);
    } else if (dest->MaximumLength < source->Length * 2) {
        return STATUS_INVALID_BUFFER_SIZE; // the kernel's STATUS_BUFFER_OVERFLOW, close enough here
    }
    for (USHORT i = 0; i < source->Length; ++i) buf[i] = static_cast<unsigned char>(source->Buffer[i]);
    dest->Buffer = buf;
    dest->Length = static_cast<USHORT>(source->Length * 2);
    return STATUS_SUCCESS;
}

void RtlFreeUnicodeString(PUNICODE_STRING s)
{
    if (s->Buffer == nullptr) return;
    std::free(s->Buffer);
    {
        Guard guard(g_lock);
        --HostKernel::get().live_pool_blocks;
    }
    s->Buffer = nullptr;
    s->Length = s->MaximumLength = 0;
}

PVOID ExAllocatePoolWithTag(POOL_TYPE, SIZE_T bytes, ULONG tag)
{
    run_hook("allocate");
    if (!take_pool_call()) return nullptr;
    void* p = std::malloc(bytes ? bytes : 1);
    std::memset(p, 0xAB, bytes); // pool memory is not cleared
    Guard guard(g_lock);
    HostKernel& k = HostKernel::get();
    k.pool_tags.push_back(tag);
    ++k.live_pool_blocks;
    return p;
}

void ExFreePool(PVOID block)
{
    run_hook("free");
    std::free(block);
    Guard guard(g_lock);
    --HostKernel::get().live_pool_blocks;
}

LARGE_INTEGER KeQueryPerformanceCounter(LARGE_INTEGER* frequency)
{
    run_hook("performance counter");
    if (frequency != nullptr) frequency->QuadPart = 10000000; // 10 MHz, as on Windows 10
    Guard guard(g_lock);
    HostKernel& k = HostKernel::get();
    k.counter += 1000; // time moves on a little per query
    LARGE_INTEGER now;
    now.QuadPart = k.counter;
    return now;
}

ULONG DbgPrint(PCSZ format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    {
        Guard guard(g_lock);
        HostKernel::get().debug_lines.emplace_back(line);
    }
    run_hook(std::string("DbgPrint ") + line);
    return 0;
}

void DbgBreakPoint()
{
    Guard guard(g_lock);
    ++HostKernel::get().breakpoints;
}

ULONG64 read_cycle_counter()
{
    run_hook("cycle counter");
    Guard guard(g_lock);
    HostKernel& k = HostKernel::get();
    return k.cycles += HostKernel::kCyclesPerRead;
}

NTSTATUS KeDelayExecutionThread(KPROCESSOR_MODE, BOOLEAN, LARGE_INTEGER* interval)
{
    check_may_wait("KeDelayExecutionThread");
    run_hook("sleep");
    Guard guard(g_lock);
    HostKernel& k = HostKernel::get();
    k.sleeps.push_back(-interval->QuadPart);
    if (interval->QuadPart < 0) k.counter -= interval->QuadPart; // counter ticks are 100 ns
    return STATUS_SUCCESS;
}

ULONG ExSetTimerResolution(ULONG, BOOLEAN set)
{
    Guard guard(g_lock);
    HostKernel::get().timer_resolution_requests += set ? 1 : -1;
    return 10000;
}

namespace {

struct HostEvent {
    std::mutex mutex;
    std::condition_variable changed;
    bool signaled = false;
    bool auto_reset = false;
};

static_assert(sizeof(HostEvent) <= sizeof(KEVENT::storage) && alignof(HostEvent) <= alignof(KEVENT));

HostEvent& event_of(PVOID event) { return *reinterpret_cast<HostEvent*>(static_cast<PKEVENT>(event)->storage); }

} // namespace

void KeInitializeEvent(PKEVENT event, EVENT_TYPE type, BOOLEAN state)
{
    // Nothing waits on an event being initialised, so building anew is safe;
    // the old one owned no resources.
    HostEvent* e = new (event->storage) HostEvent;
    e->signaled = state != FALSE;
    e->auto_reset = type == SynchronizationEvent;
}

NTSTATUS KeWaitForSingleObject(PVOID object, KWAIT_REASON, KPROCESSOR_MODE, BOOLEAN, LARGE_INTEGER* timeout)
{
    // Only a wait that cannot block (a zero timeout) is allowed up to DISPATCH_LEVEL.
    if (timeout == nullptr || timeout->QuadPart != 0) check_may_wait("KeWaitForSingleObject");
    HostEvent& e = event_of(object);
    std::unique_lock<std::mutex> lock(e.mutex);
    e.changed.wait(lock, [&] { return e.signaled; });
    if (e.auto_reset) e.signaled = false;
    return STATUS_SUCCESS;
}

LONG KeSetEvent(PKEVENT event, LONG, BOOLEAN)
{
    HostEvent& e = event_of(event);
    std::lock_guard<std::mutex> guard(e.mutex);
    const LONG was = e.signaled;
    e.signaled = true;
    if (e.auto_reset) {
        e.changed.notify_one();
    } else {
        e.changed.notify_all();
    }
    return was;
}

KIRQL KeGetCurrentIrql() { return t_irql; }

void KeRaiseIrql(KIRQL level, KIRQL* old_level)
{
    *old_level = t_irql;
    if (level < t_irql) std::abort(); // the kernel's own bug check for a raise that lowers
    t_irql = level;
}

void KeLowerIrql(KIRQL level)
{
    if (level > t_irql) std::abort();
    t_irql = level;
}

void host_paged_code(const char* routine) { check_may_wait((std::string("PAGED_CODE in ") + routine).c_str()); }

void KeEnterCriticalRegion() { ++t_critical_regions; }

void KeLeaveCriticalRegion()
{
    if (t_critical_regions == 0) std::abort(); // a leave without its enter
    --t_critical_regions;
}

namespace {

// The length of a self-relative descriptor that holds a DACL and nothing
// else: the DACL is its last part.
size_t self_relative_length(const uint8_t* sd)
{
    const uint32_t dacl = sd[16] | sd[17] << 8 | sd[18] << 16 | static_cast<uint32_t>(sd[19]) << 24;
    if (dacl == 0) return 20;
    return dacl + (sd[dacl + 2] | sd[dacl + 3] << 8);
}

} // namespace

NTSTATUS ObOpenObjectByPointer(PVOID object, ULONG, PACCESS_STATE, ACCESS_MASK access, POBJECT_TYPE,
                               KPROCESSOR_MODE, PHANDLE handle)
{
    Guard guard(g_lock);
    HostKernel& k = HostKernel::get();
    ++k.open_object_handles;
    k.security_handle_access = access;
    *handle = object;
    return STATUS_SUCCESS;
}

NTSTATUS ZwSetSecurityObject(HANDLE, SECURITY_INFORMATION information, PSECURITY_DESCRIPTOR descriptor)
{
    check_may_wait("ZwSetSecurityObject");
    Guard guard(g_lock);
    HostKernel& k = HostKernel::get();
    if (k.fail_set_security) return STATUS_ACCESS_DENIED;
    if (information != DACL_SECURITY_INFORMATION) return STATUS_INVALID_PARAMETER;
    const auto* sd = static_cast<const uint8_t*>(descriptor);
    k.device_security.assign(sd, sd + self_relative_length(sd));
    return STATUS_SUCCESS;
}

NTSTATUS ZwClose(HANDLE)
{
    Guard guard(g_lock);
    --HostKernel::get().open_object_handles;
    return STATUS_SUCCESS;
}

// Read through these pointers, as the kernel exports them.
BOOLEAN* KdDebuggerEnabled = &HostKernel::get().kd_debugger_enabled;
BOOLEAN* KdDebuggerNotPresent = &HostKernel::get().kd_debugger_not_present;
