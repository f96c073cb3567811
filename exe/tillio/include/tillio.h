/* tillio.dll, the drawer access library: every export, its signature,
 * calling convention and results, in one list. The DLL's own definitions are
 * checked against the declarations made from it, its .def file is made from
 * it, and callers bind the exports by it. Undecorated names, stdcall, 32-bit
 * integers, caller-owned zero-terminated ANSI strings. */
#ifndef KAV_TILLIO_H
#define KAV_TILLIO_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#define TILLIO_CALL __stdcall
#else
/* Native builds, which only bind the list to fakes. */
#define TILLIO_CALL
#endif

/* Results. Plain signed integers, never exceptions. */
enum {
    TILLIO_DONE = 0,
    TILLIO_DEVICE_NOT_OPENED = -1,   /* the device or the port did not open */
    TILLIO_CONTROL_FAILED = -2,      /* the driver refused or failed the request */
    TILLIO_UNDEFINED_COMMAND = -3,   /* no drawer command has this number */
    TILLIO_SETTINGS_REFUSED = -4,    /* the port refused the drawer's line settings */
    TILLIO_EVENT_MASK_REFUSED = -5,
    TILLIO_NO_EVENT_OBJECT = -6,
    TILLIO_REGISTRY_OPEN_FAILED = -7,  /* the adapters' key did not open */
    TILLIO_REGISTRY_QUERY_FAILED = -8, /* its information was not read */
    TILLIO_REGISTRY_ENUM_FAILED = -9,  /* a subkey was not enumerated */
    TILLIO_NO_ADAPTER_PORT = -10,
    TILLIO_BOARD_CLOSED = 0,         /* a board status export's status byte */
    TILLIO_BOARD_OPEN = 1,
    TILLIO_CARRIER_CHANGED = 32,     /* RS232GetCashDrawerStatus: EV_RLSD already there */
    TILLIO_USB_FAILED = 0,
    TILLIO_USB_OPEN = 48,            /* '0' */
    TILLIO_USB_CLOSED = 49,          /* '1' */
    TILLIO_PORT_ABSENT = -1,         /* CheckRS232Controller: the port did not open */
    TILLIO_BROWSER_NOT_FOUND = -1,
    TILLIO_WINDOWS_98 = 98,
    TILLIO_WINDOWS_2000 = 2000,      /* every version but 4.10 */
    TILLIO_PROC_NOT_FOUND = 127      /* ERROR_PROC_NOT_FOUND: a service export that is not there */
};

/* The maker's web page, which GetIePath's command line opens. */
#define TILLIO_MAKER_ADDRESS "http://www.kav.example"

/* X(result type, name, parameter types, what a caller takes the export to
 * have answered when it is not there to call).
 *
 * Driver command channel, device path and command number: 0 done, -1, -2,
 * -3. The six status exports return the board's status byte (1 open,
 * 0 closed) in place of 0; each board binds its own.
 *
 * Drawers on serial port n (1 for COM1; below 1 names no port):
 * RS232OpenCashDrawer: 0 message sent, -1 port did not open, -4 settings
 * refused. RS232GetCashDrawerStatus: 32 carrier change already reported,
 * 0 nothing reported, -1, -5 event mask refused, -6 no event object; it never
 * waits for an event. CheckRS232Controller: 0 the port opened and was closed
 * again, -1 it did not.
 *
 * LoadService(service name, driver path), UnloadService(service name, delete
 * flag, non-zero: delete once stopped): 0, or the system's error code of the
 * step that failed (87 for a null service name).
 * OSVersion: 98 on Windows 98 (4.10), 2000 on every other version.
 * GetIePath(command line, 100 bytes): 0 found, -1 not found (then empty).
 * StringTrim(text, characters): trims those characters off both ends in
 * place; non-zero if anything went; null arguments change nothing, 0.
 *
 * USB HID drawers, numbered 1 to 5 among the HID interfaces that open:
 * UsbCashDrawer: 1 when drawer n accepted the open request, else 0.
 * UsbCashDrawerStaus: the state byte (48 open, 49 closed), sign-extended;
 * 0 when there is no such drawer or it did not answer.
 *
 * EnumUsbToComNum(port list, 50 bytes): the COM ports of attached
 * USB-to-RS232 adapters, each name followed by one blank; the number of
 * ports, or -7, -8, -9, -10; the list is untouched on failure.
 * GetUsbToComToken(port list, token of 10 bytes): moves the first name of the
 * list into token; always 0. */
#define TILLIO_EXPORTS(X) \
    X(int, DeviceControl, (const char*, int), TILLIO_DEVICE_NOT_OPENED) \
    X(int, AdvantechGetCashDrawerStatus, (const char*, int), TILLIO_DEVICE_NOT_OPENED) \
    X(int, PortwellGetCashDrawerStatus, (const char*, int), TILLIO_DEVICE_NOT_OPENED) \
    X(int, IEIGetCashDrawerStatus, (const char*, int), TILLIO_DEVICE_NOT_OPENED) \
    X(int, ThinClientGetCashDrawerStatus, (const char*, int), TILLIO_DEVICE_NOT_OPENED) \
    X(int, Bastra8613GetCashDrawerStatus, (const char*, int), TILLIO_DEVICE_NOT_OPENED) \
    X(int, Bastra9613GetCashDrawerStatus, (const char*, int), TILLIO_DEVICE_NOT_OPENED) \
    X(int, RS232OpenCashDrawer, (int), TILLIO_DEVICE_NOT_OPENED) \
    X(int, RS232GetCashDrawerStatus, (int), TILLIO_DEVICE_NOT_OPENED) \
    X(int, CheckRS232Controller, (int), TILLIO_PORT_ABSENT) \
    X(int, LoadService, (const char*, const char*), TILLIO_PROC_NOT_FOUND) \
    X(int, UnloadService, (const char*, int), TILLIO_PROC_NOT_FOUND) \
    X(int, OSVersion, (void), TILLIO_WINDOWS_2000) \
    X(int, GetIePath, (char*), TILLIO_BROWSER_NOT_FOUND) \
    X(int, StringTrim, (char*, const char*), 0) \
    X(int, UsbCashDrawer, (int), TILLIO_USB_FAILED) \
    X(int, UsbCashDrawerStaus, (int), TILLIO_USB_FAILED) \
    X(int, EnumUsbToComNum, (char*), TILLIO_NO_ADAPTER_PORT) \
    X(int, GetUsbToComToken, (char*, char*), 0)

#define TILLIO_DECLARE_EXPORT(result, name, parameters, absent) result TILLIO_CALL name parameters;
TILLIO_EXPORTS(TILLIO_DECLARE_EXPORT)
#undef TILLIO_DECLARE_EXPORT

#ifdef __cplusplus
}
#endif

#endif
