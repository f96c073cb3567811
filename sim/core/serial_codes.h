// What a serial port's requests carry: the system's own control codes, event
// bits, modem-status bits and record sizes, written without the DDK so the
// core builds natively. The kernel build checks each against ntddser.h.
#pragma once
#include <stdint.h>

namespace kav::sim {

// The kernel status values the simulated ports answer with.
using NtStatus = int32_t;
inline constexpr NtStatus kStatusSuccess = 0;
inline constexpr NtStatus kStatusPending = 0x103;
inline constexpr NtStatus kStatusCancelled = static_cast<NtStatus>(0xC0000120u);
inline constexpr NtStatus kStatusAccessDenied = static_cast<NtStatus>(0xC0000022u);
inline constexpr NtStatus kStatusInvalidParameter = static_cast<NtStatus>(0xC000000Du);
inline constexpr NtStatus kStatusBufferTooSmall = static_cast<NtStatus>(0xC0000023u);
inline constexpr NtStatus kStatusInvalidDeviceRequest = static_cast<NtStatus>(0xC0000010u);

// CTL_CODE(FILE_DEVICE_SERIAL_PORT, function, METHOD_BUFFERED, FILE_ANY_ACCESS).
constexpr uint32_t serial_code(uint32_t function) { return 0x1Bu << 16 | function << 2; }

inline constexpr uint32_t kSetBaudRate = serial_code(1);
inline constexpr uint32_t kSetQueueSize = serial_code(2);
inline constexpr uint32_t kSetLineControl = serial_code(3);
inline constexpr uint32_t kSetBreakOn = serial_code(4);
inline constexpr uint32_t kSetBreakOff = serial_code(5);
inline constexpr uint32_t kImmediateChar = serial_code(6);
inline constexpr uint32_t kSetTimeouts = serial_code(7);
inline constexpr uint32_t kGetTimeouts = serial_code(8);
inline constexpr uint32_t kSetDtr = serial_code(9);
inline constexpr uint32_t kClrDtr = serial_code(10);
inline constexpr uint32_t kResetDevice = serial_code(11);
inline constexpr uint32_t kSetRts = serial_code(12);
inline constexpr uint32_t kClrRts = serial_code(13);
inline constexpr uint32_t kSetXoff = serial_code(14);
inline constexpr uint32_t kSetXon = serial_code(15);
inline constexpr uint32_t kGetWaitMask = serial_code(16);
inline constexpr uint32_t kSetWaitMask = serial_code(17);
inline constexpr uint32_t kWaitOnMask = serial_code(18);
inline constexpr uint32_t kPurge = serial_code(19);
inline constexpr uint32_t kGetBaudRate = serial_code(20);
inline constexpr uint32_t kGetLineControl = serial_code(21);
inline constexpr uint32_t kGetChars = serial_code(22);
inline constexpr uint32_t kSetChars = serial_code(23);
inline constexpr uint32_t kGetHandflow = serial_code(24);
inline constexpr uint32_t kSetHandflow = serial_code(25);
inline constexpr uint32_t kGetModemStatus = serial_code(26);
inline constexpr uint32_t kGetCommStatus = serial_code(27);
inline constexpr uint32_t kGetProperties = serial_code(29);
inline constexpr uint32_t kGetDtrRts = serial_code(30);

// Wait-mask events.
inline constexpr uint32_t kEventRlsd = 0x20;
inline constexpr uint32_t kEventRing = 0x100;
// Modem status: clear to send, data set ready, carrier detect.
inline constexpr uint32_t kModemCts = 0x10;
inline constexpr uint32_t kModemDsr = 0x20;
inline constexpr uint32_t kModemRlsd = 0x80;
// The purge request's bit that drops what was received and not read.
inline constexpr uint32_t kPurgeReceiveClear = 0x08;
// Handflow bits that hold DTR and RTS on.
inline constexpr uint32_t kHandshakeDtrControl = 0x01;
inline constexpr uint32_t kFlowRtsControl = 0x40;

// Record sizes of the requests, in bytes.
inline constexpr uint32_t kBaudRateSize = 4;
inline constexpr uint32_t kLineControlSize = 3;
inline constexpr uint32_t kHandflowSize = 16;
inline constexpr uint32_t kCharsSize = 6;
inline constexpr uint32_t kTimeoutsSize = 20;
inline constexpr uint32_t kCommStatusSize = 20;
inline constexpr uint32_t kPropertiesSize = 64;

} // namespace kav::sim
