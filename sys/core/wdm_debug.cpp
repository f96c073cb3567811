#include "wdm_debug.h"
#include "line_format.h"

#include <stdarg.h>
#include <string.h>

namespace kav {
namespace {

// Formats "<name>: " + text into one buffer so the debugger gets the line in
// one piece; a line cut short still ends with its newline.
void print_line(DebugPlatform& platform, const char* name, const char* format, va_list args)
{
    constexpr size_t capacity = WdmDebug::kLineCapacity;
    char line[capacity];
    size_t used = format_line(line, capacity, "%s: ", name);
    if (used < capacity) used += format_line_v(line + used, capacity - used, format, args);
    if (used >= capacity) line[capacity - 2] = '\n';
    platform.print(line);
}

} // namespace

void WdmDebug::set_identity(const char* name, const char* version)
{
    name_ = name;
    version_ = version;
}

NtStatus WdmDebug::Debug_OpenWDMDebug()
{
    if (name_ == nullptr) name_ = kDefaultName;
    if (version_ == nullptr) version_ = kDefaultVersion;

    NtStatus status = set_request_log_size(kDefaultEntries);
    if (!nt_failed(status)) status = set_trace_size(kDefaultEntries);
    if (!nt_failed(status)) status = set_status_log_size(kDefaultEntries);
    if (nt_failed(status)) release_rings();
    return status;
}

template <typename Entry>
NtStatus WdmDebug::resize(Ring<Entry>& ring, uint32_t entries)
{
    if (entries == ring.size()) return kStatusSuccess;
    pool_.release(ring.detach());
    if (entries == 0) return kStatusSuccess;
    if (entries > (UINT32_MAX - kGuardBytes) / sizeof(Entry)) return kStatusInsufficientResources;

    void* block = pool_.allocate(static_cast<uint32_t>(entries * sizeof(Entry)), true);
    if (block == nullptr) return kStatusInsufficientResources;
    ring.attach(block, entries);
    return kStatusSuccess;
}

NtStatus WdmDebug::set_request_log_size(uint32_t entries) { return resize(request_log_, entries); }
NtStatus WdmDebug::set_trace_size(uint32_t entries) { return resize(trace_, entries); }
NtStatus WdmDebug::set_status_log_size(uint32_t entries) { return resize(status_log_, entries); }

void WdmDebug::release_rings()
{
    pool_.release(request_log_.detach());
    pool_.release(trace_.detach());
    pool_.release(status_log_.detach());
}

void WdmDebug::trace(const char* message)
{
    if (trace_.size() != 0) trace_.write(TraceEntry{platform_.performance_counter(), message});
    print("%s\n", message);
}

void WdmDebug::print(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    print_line(platform_, name_, format, args);
    va_end(args);
}

void WdmDebug::log_request(const void* device, const void* request, uint32_t major, const uint8_t* data,
                           uint32_t length)
{
    if (request_log_.size() == 0) return;
    RequestLogEntry entry{};
    entry.timestamp = platform_.performance_counter();
    entry.device = device;
    entry.request = request;
    entry.major = major;
    if (data != nullptr) {
        entry.count = static_cast<uint8_t>(length < kRequestLogDataBytes ? length : kRequestLogDataBytes);
        memcpy(entry.data, data, entry.count);
    }
    request_log_.write(entry);
}

void WdmDebug::log_status(NtStatus status)
{
    if (!nt_failed(status) || status_log_.size() == 0) return;
    status_log_.write(StatusLogEntry{platform_.performance_counter(), status});
}

} // namespace kav
