// The driver's debugging support: trace lines to the kernel debugger, the
// most recent ones kept in memory, and in-memory logs of requests and of
// failing statuses, all for inspection with a kernel debugger.
#pragma once
#include "debug_platform.h"
#include "guarded_pool.h"
#include "nt_status.h"
#include "ring.h"
#include <stdint.h>

namespace kav {

inline constexpr uint32_t kRequestLogDataBytes = 8;

struct RequestLogEntry {
    int64_t timestamp; // performance counter
    const void* device;
    const void* request;
    uint32_t major;
    uint8_t count; // data bytes kept: min(length, 8)
    uint8_t data[kRequestLogDataBytes];
};

struct TraceEntry {
    int64_t timestamp;
    const char* message; // a string literal, kept by pointer
};

struct StatusLogEntry {
    int64_t timestamp;
    NtStatus status;
};

class WdmDebug {
public:
    static constexpr uint32_t kDefaultEntries = 64;
    static constexpr const char* kDefaultName = "DRVSHELL";
    static constexpr const char* kDefaultVersion = "0.99";
    // A printed line, prefix and newline included, is cut to fit this.
    static constexpr size_t kLineCapacity = 256;

    constexpr WdmDebug(GuardedPool& pool, DebugPlatform& platform) : pool_(pool), platform_(platform) {}

    // The device layer's name and version; nullptr leaves one unset. Both
    // must outlive the driver (string literals).
    void set_identity(const char* name, const char* version);

    // Fills in the framework's defaults where no identity was set, then
    // allocates the request log, the trace and the status log, 64 entries
    // each. If any of them fails, all three are released and the failure
    // (STATUS_INSUFFICIENT_RESOURCES) is returned.
    NtStatus Debug_OpenWDMDebug();

    // The current size keeps the ring as it is; any other size starts an
    // empty, zero-filled ring (0 switches it off). On failure the ring is off.
    NtStatus set_request_log_size(uint32_t entries);
    NtStatus set_trace_size(uint32_t entries);
    NtStatus set_status_log_size(uint32_t entries);
    void release_rings();

    // Records (now, message) and prints "<name>: <message>\n".
    void trace(const char* message);
    // Prints "<name>: " followed by the formatted text, as one line.
    [[gnu::format(printf, 2, 3)]] void print(const char* format, ...);
    // Keeps the first min(length, 8) bytes of data; data may be nullptr.
    void log_request(const void* device, const void* request, uint32_t major, const uint8_t* data, uint32_t length);
    // Only failing (negative) statuses are recorded.
    void log_status(NtStatus status);

    // nullptr until set or defaulted by Debug_OpenWDMDebug.
    const char* name() const { return name_; }
    const char* version() const { return version_; }

    const Ring<RequestLogEntry>& request_log() const { return request_log_; }
    const Ring<TraceEntry>& trace_log() const { return trace_; }
    const Ring<StatusLogEntry>& status_log() const { return status_log_; }

private:
    template <typename Entry>
    NtStatus resize(Ring<Entry>& ring, uint32_t entries);

    GuardedPool& pool_;
    DebugPlatform& platform_;
    const char* name_ = nullptr;
    const char* version_ = nullptr;
    Ring<RequestLogEntry> request_log_;
    Ring<TraceEntry> trace_;
    Ring<StatusLogEntry> status_log_;
};

// Counts processor cycles across a piece of work, for the driver's timing
// prints: start() reads the time-stamp counter, stop() turns the value into
// the cycles since.
class CycleStopwatch {
public:
    constexpr explicit CycleStopwatch(DebugPlatform& platform) : platform_(platform) {}

    void start() { cycles_ = platform_.cycle_counter(); }
    void stop() { cycles_ = platform_.cycle_counter() - cycles_; }
    uint64_t cycles() const { return cycles_; }

private:
    DebugPlatform& platform_;
    uint64_t cycles_ = 0;
};

} // namespace kav
