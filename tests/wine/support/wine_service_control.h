// Kernel-service control for the Wine tests, shared by the harness's helper
// program and by the tests that stop the driver in the middle of a run.
// Every function returns the system's error code, 0 for success.
#pragma once
#include <windows.h>

namespace kavwine {

// In WoW64 the service is made by the 64-bit program KAV_SERVICE_HELPER names
// (the harness sets it), as 64-bit Windows would run the driver.
DWORD create_kernel_service(const char* name, const char* image_path);
// Both wait until the service has reached the state, or fail with
// ERROR_SERVICE_REQUEST_TIMEOUT.
DWORD start_service(const char* name);
DWORD stop_service(const char* name); // a stopped service is not an error
DWORD delete_service(const char* name);
DWORD query_service(const char* name, DWORD* state);

// Waits until the link \DosDevices\<name> exists: Wine reports a driver's
// service as running before its DriverEntry has made its device, so a program
// that opens the device at once could find nothing (error 2).
DWORD wait_for_dos_device(const char* name);

// No service state is 0.
inline constexpr DWORD kNoService = 0;
// Neither a state nor absence: the manager or the service did not open, or
// its status did not read. A service that exists but cannot be opened must
// not pass a check that it is gone.
inline constexpr DWORD kServiceUnknown = 0xFFFFFFFF;
// The service's state; kNoService only when the manager says it does not
// exist (ERROR_SERVICE_DOES_NOT_EXIST), kServiceUnknown on any other failure.
DWORD service_state(const char* name);
// Stopped and deleted if present; succeeds once it is gone, a missing
// service included.
DWORD remove_service(const char* name);

} // namespace kavwine
