// The one Win32 serial edge every program uses for a drawer's COM port: the
// port opened by its number, the drawer's line settings read and written as
// the system's DCB, and overlapped requests kept by one lifetime rule.
#pragma once
#include "serial_line.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace kav::drawers {

// \\.\COMn for every n (serial_port_path), for reading and writing, not
// shared, existing ports only. INVALID_HANDLE_VALUE when it did not open (a
// number below 1 is refused before any system call).
HANDLE open_com_port(int32_t port, bool overlapped);
// The same for a path serial_port_path made.
HANDLE open_com_port(const char* path, bool overlapped);

// GetCommState into settings (its length travels into the record as it is).
bool read_line_settings(HANDLE port, LineSettings& settings);
bool write_line_settings(HANDLE port, const LineSettings& settings);

// The record an overlapped request writes into: the OVERLAPPED, a wait's
// event mask and a write's or a read's bytes. The one rule: it lives on the heap and is
// released only once its request has been seen complete; a request that was
// cancelled and never came back keeps its record, and its event, for good.
class OverlappedRequest {
public:
    // event: manual reset, signalled when the request completes. Owned (and
    // closed with the record) when owns_event; otherwise the caller's.
    OverlappedRequest(HANDLE event, bool owns_event);
    ~OverlappedRequest();
    OverlappedRequest(const OverlappedRequest&) = delete;
    OverlappedRequest& operator=(const OverlappedRequest&) = delete;

    // False when the record could not be made or has an event of no use.
    bool usable() const { return record_ != nullptr; }
    HANDLE event() const;

    // Starts WaitCommEvent on the record; true if it completed at once (its
    // events in events()), false if it is pending or failed (then
    // GetLastError() tells which). Only when nothing is outstanding.
    bool start_wait(HANDLE port);
    // Starts WriteFile of bytes, kept in the record while it is outstanding.
    bool start_write(HANDLE port, std::string_view bytes);
    // Starts ReadFile of up to length bytes into the record; true if it
    // completed at once (what it read in read_bytes()).
    bool start_read(HANDLE port, DWORD length);
    // The request is pending: it is outstanding until settle() sees it back.
    void pending() { outstanding_ = true; }
    bool outstanding() const { return outstanding_; }

    // Waits up to timeout_ms for an outstanding request; true once it is back
    // (or none was outstanding), and then its results can be read.
    bool settle(DWORD timeout_ms);
    // After settle(): GetOverlappedResult without waiting.
    bool result(HANDLE port, DWORD& transferred);
    DWORD events() const;
    // What a write or read that completed at once moved.
    DWORD transferred() const;
    // A read's bytes: the first count of the record's (transferred() for a
    // read that completed at once, result()'s count for one that was pending).
    std::string_view read_bytes(DWORD count) const;

private:
    struct Record;
    Record* record_ = nullptr;
    bool outstanding_ = false;
};

} // namespace kav::drawers
