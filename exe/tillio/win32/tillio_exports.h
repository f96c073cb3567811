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

// Drawers on serial port n (1 for COM1; below 1 names no port):
// RS232OpenCashDrawer: 0 message sent, -1 port did not open, -4 settings refused.
// RS232GetCashDrawerStatus: 32 carrier change already reported, 0 nothing
// reported, -1 port did not open, -5 event mask refused, -6 no event object;
// it never waits for an event.
// CheckRS232Controller: 0 the port opened and was closed again, -1 it did not.
int __stdcall RS232OpenCashDrawer(int port);
int __stdcall RS232GetCashDrawerStatus(int port);
int __stdcall CheckRS232Controller(int port);

// Driver service control: 0, or the system's error code of the step that
// failed (87 for a null service name). A null or empty driver path is none.
int __stdcall LoadService(const char* serviceName, const char* driverPath);
// deleteService non-zero: also delete the service once it has stopped.
int __stdcall UnloadService(const char* serviceName, int deleteService);

// 98 on Windows 98 (4.10), 2000 on every other version.
int __stdcall OSVersion(void);

// The browser's command line for the maker's web page into commandLine, which
// must offer 100 bytes: 0 found, -1 not found (commandLine then empty).
int __stdcall GetIePath(char* commandLine);

// Trims the characters of trimChars off both ends of text, in place: non-zero
// if anything was removed. Null arguments change nothing and return 0.
int __stdcall StringTrim(char* text, const char* trimChars);

// USB HID drawers, numbered 1 to 5 among the HID interfaces that open.
// UsbCashDrawer: 1 when drawer n accepted the open request, else 0.
int __stdcall UsbCashDrawer(int drawer);
// The drawer's state byte (48 '0' open, 49 '1' closed), sign-extended; 0 when
// there is no such drawer or it did not answer.
int __stdcall UsbCashDrawerStaus(int drawer);

// The COM ports of attached USB-to-RS232 adapters into portList (which must
// offer 50 bytes), each name followed by one blank: the number of ports, or
// -7 (adapter key not opened), -8 (its information not read), -9 (a subkey
// not enumerated), -10 (no adapter port). portList is untouched on failure.
int __stdcall EnumUsbToComNum(char* portList);
// Moves the first name of portList into token (10 bytes): always 0.
int __stdcall GetUsbToComToken(char* portList, char* token);

#ifdef __cplusplus
}
#endif
