#include "host_kernel.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

struct HostDevice {
    DEVICE_OBJECT object;
    std::string name;
};

bool take_pool_call()
{
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

void HostKernel::reset()
{
    const int64_t keep = counter; // time never runs backwards, not even between tests
    *this = HostKernel{};
    counter = keep;
}

std::string HostKernel::debug_text() const
{
    std::string all;
    for (const std::string& l : debug_lines) all += l;
    return all;
}

NTSTATUS IoCreateDevice(PDRIVER_OBJECT driver, ULONG extension_size, PUNICODE_STRING name, ULONG type, ULONG,
                        BOOLEAN, PDEVICE_OBJECT* device)
{
    HostKernel& k = HostKernel::get();
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

void IofCompleteRequest(PIRP irp, CCHAR) { HostKernel::get().completed.push_back(irp); }

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
    --HostKernel::get().live_pool_blocks;
    s->Buffer = nullptr;
    s->Length = s->MaximumLength = 0;
}

PVOID ExAllocatePoolWithTag(POOL_TYPE, SIZE_T bytes, ULONG tag)
{
    HostKernel& k = HostKernel::get();
    if (!take_pool_call()) return nullptr;
    void* p = std::malloc(bytes ? bytes : 1);
    std::memset(p, 0xAB, bytes); // pool memory is not cleared
    k.pool_tags.push_back(tag);
    ++k.live_pool_blocks;
    return p;
}

void ExFreePool(PVOID block)
{
    std::free(block);
    --HostKernel::get().live_pool_blocks;
}

LARGE_INTEGER KeQueryPerformanceCounter(LARGE_INTEGER* frequency)
{
    HostKernel& k = HostKernel::get();
    if (frequency != nullptr) frequency->QuadPart = 10000000; // 10 MHz, as on Windows 10
    k.counter += 1000;                                        // time moves on a little per query
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
    HostKernel::get().debug_lines.emplace_back(line);
    return 0;
}

void DbgBreakPoint() { ++HostKernel::get().breakpoints; }

ULONG64 read_cycle_counter()
{
    HostKernel& k = HostKernel::get();
    return k.cycles += HostKernel::kCyclesPerRead;
}
