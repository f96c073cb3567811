// Program-wide state of the utility and its binding to tillio.dll.
#pragma once
#include "kav_cash_device.h"

#include <cstdint>
#include <functional>

namespace kav::gui {

inline constexpr const char* kLibraryFile = "tillio.dll";
// UnloadService's delete flag: stop the service and delete it.
inline constexpr int32_t kDeleteService = -1;

// Where every run starts; FormTCDio offers 0x200..0x280 besides.
inline constexpr int32_t kDefaultDioBaseAddress = 0x280;

// The exports of tillio.dll the utility calls, by their export names. All
// strings are zero-terminated ANSI; output buffers are the caller's. Calling an
// entry whose name the library does not export throws std::bad_function_call,
// which the edge treats like any missing entry point: the program cannot go on.
struct Library {
    using DrawerFunction = std::function<int32_t(const char* device_path, int32_t command)>;

    // 0 when the service started, else the system's error code.
    std::function<int32_t(const char* service, const char* image_path)> LoadService;
    // Result ignored by the utility.
    std::function<int32_t(const char* service, int32_t delete_flag)> UnloadService;
    // 98 or 2000.
    std::function<int32_t()> OSVersion;

    // 0 done, -1 device did not open, -2 request failed, -3 unknown number.
    DrawerFunction DeviceControl;
    // The status byte (1 open, 0 closed) in place of 0, else as DeviceControl.
    DrawerFunction AdvantechGetCashDrawerStatus;
    DrawerFunction PortwellGetCashDrawerStatus;
    DrawerFunction Bastra8613GetCashDrawerStatus;
    DrawerFunction Bastra9613GetCashDrawerStatus;
    DrawerFunction IEIGetCashDrawerStatus;
    DrawerFunction ThinClientGetCashDrawerStatus;

    // Callers read only the low 16 bits; 0 means failure.
    std::function<int32_t(int32_t drawer)> UsbCashDrawer;
    // 0 failure, 48 open, 49 closed.
    std::function<int32_t(int32_t drawer)> UsbCashDrawerStaus;
    // -1 when the COM port is not usable.
    std::function<int32_t(int32_t port)> CheckRS232Controller;
    // 0 message sent, -1 port did not open, -4 settings refused (the console tool).
    std::function<int32_t(int32_t port)> RS232OpenCashDrawer;

    // Port count, or -7..-10; the list is rewritten in place.
    std::function<int32_t(char* port_list)> EnumUsbToComNum;
    std::function<int32_t(char* port_list, char* token)> GetUsbToComToken;
    std::function<int32_t(char* text, const char* characters)> StringTrim;
    // 0 and a command line in the 100-character buffer, or -1.
    std::function<int32_t(char* command_line)> GetIePath;
};

// A function's address as the platform hands it out (GetProcAddress), before
// it is given its real type; null when the name is not exported.
using RawProc = void (*)();
using ProcLookup = std::function<RawProc(const char* export_name)>;

// Binds every entry of Library by its export name through lookup, with the
// library's calling convention (stdcall on i686 Windows). Each entry looks its
// export up at its first call, so nothing is looked up (and nothing loaded)
// before start-up has checked the library.
Library bind_library_on_first_call(ProcLookup lookup);

// What Module1 holds for the whole run. One instance, owned by the program's
// entry point and shared by reference with every window.
struct Module1 {
    // Base I/O address of the thin-client and VOLX-8623 DIO port. Start-up
    // sets it, FormTCDio's OK changes it; never saved.
    int32_t DioBaseAddress = kDefaultDioBaseAddress;
    Library library;
};

} // namespace kav::gui
