// What the driver installer needs from the system: one call per Win32 service
// it uses, with Win32's own meaning, so the install steps stay portable.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "os_version.h"

namespace kav::setup {

// The directory buffers' size: Windows' longest path, terminating zero included.
inline constexpr uint32_t kMaxPath = 260;

class SetupSystem : public kav::tillio::VersionQuery {
public:
    // True for a 32-bit program on 64-bit Windows.
    virtual bool runs_under_wow64() = 0;
    // GetSystemDirectoryA / GetWindowsDirectoryA: the length copied (without
    // the zero), the size needed when the buffer is too small, 0 on failure.
    virtual uint32_t system_directory(char* buffer, uint32_t size) = 0;
    virtual uint32_t windows_directory(char* buffer, uint32_t size) = 0;
    // GetModuleFileNameA of the program itself: the length copied (without
    // the zero), size when the path was cut to fit, 0 on failure.
    virtual uint32_t program_path(char* buffer, uint32_t size) = 0;

    // The console: text as it is, and one character typed.
    virtual void print(const char* text) = 0;
    virtual void wait_for_key() = 0;

    // The one log file: created anew, written, closed.
    virtual bool create_log(const char* path) = 0;
    virtual bool write_log(const void* data, size_t size) = 0;
    virtual void close_log() = 0;

    // A file search: FindFirstFileA's handle, and FindClose.
    virtual bool find_first(const char* pattern, uintptr_t* search) = 0;
    virtual bool find_close(uintptr_t search) = 0;

    virtual bool copy_file(const char* from, const char* to, bool fail_if_exists) = 0;
    virtual bool set_attributes_normal(const char* path) = 0;

    // A new process, not waited for: an application with no command line,
    // or a command line alone. False when it did not start.
    virtual bool start_process(const char* application, const char* command_line) = 0;

    // One key under the local machine, created or opened with full access.
    virtual bool create_machine_key(const char* subkey) = 0;
    virtual bool set_dword_value(const char* name, uint32_t value) = 0;
    // The text with its terminating zero.
    virtual bool set_string_value(const char* name, const char* text) = 0;
    virtual void close_key() = 0;

protected:
    SetupSystem() = default;
    SetupSystem(const SetupSystem&) = default;
    SetupSystem& operator=(const SetupSystem&) = default;
    ~SetupSystem() = default;
};

} // namespace kav::setup
