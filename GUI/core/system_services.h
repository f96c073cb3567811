// The operating-system calls the utility's start-up makes, one method per
// call, so the start-up order can be proven with a recording fake. The Win32
// edge forwards each to the kernel32 / shell call named in its comment.
#pragma once
#include "library.h"

#include <cstdint>
#include <string>

namespace kav::gui {

// Opaque to the core; the edge maps its own "no module" value to kNoLibrary.
using LibraryHandle = void*;
inline constexpr LibraryHandle kNoLibrary = nullptr;

class SystemServices {
public:
    // GetSystemDirectoryA(buffer, size): the length of the path written, or the
    // size needed when the buffer is too small, or 0 on failure.
    virtual uint32_t system_directory(char* buffer, uint32_t size) = 0;

    // LoadLibraryA(path): kNoLibrary on failure.
    virtual LibraryHandle load_library(const char* path) = 0;

    // FreeLibrary(handle): 0 on failure.
    virtual int32_t free_library(LibraryHandle handle) = 0;

    // Loads tillio.dll for the run by its full path in the system directory
    // and binds every export of library at once (drawers' library loader).
    virtual drawers::LibraryLoad bind_library(drawers::Library& library) = 0;

    // GetPrivateProfileStringA(section, key, default_value, buffer, size, path):
    // the count of characters copied, without the terminating zero.
    virtual uint32_t profile_string(const char* section, const char* key, const char* default_value,
                                    char* buffer, uint32_t size, const char* path) = 0;

    // Whether a file exists at path (FileExists of the scripting file system).
    virtual bool file_exists(const std::string& path) = 0;

    // The directory the program was started from, without a trailing '\'.
    virtual std::string program_directory() = 0;

protected:
    SystemServices() = default;
    SystemServices(const SystemServices&) = default;
    SystemServices& operator=(const SystemServices&) = default;
    ~SystemServices() = default;
};

} // namespace kav::gui
