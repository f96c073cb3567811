// The exports of tillio.dll: undecorated names (see tillio.def), stdcall,
// 32-bit integers, caller-owned ANSI strings.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Drawer command channel: 0 done, -1 device did not open, -2 request failed,
// -3 undefined command number. Status exports return the status byte for 0.
int __stdcall DeviceControl(const char* devicePath, int command);
int __stdcall AdvantechGetCashDrawerStatus(const char* devicePath, int command);
int __stdcall PortwellGetCashDrawerStatus(const char* devicePath, int command);
int __stdcall IEIGetCashDrawerStatus(const char* devicePath, int command);
int __stdcall ThinClientGetCashDrawerStatus(const char* devicePath, int command);
int __stdcall Bastra8613GetCashDrawerStatus(const char* devicePath, int command);
int __stdcall Bastra9613GetCashDrawerStatus(const char* devicePath, int command);

#ifdef __cplusplus
}
#endif
