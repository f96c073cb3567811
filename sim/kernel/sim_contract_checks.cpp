// The core writes the serial codes, bits and record sizes without the DDK;
// here they are checked against the system's own.
#include "serial_codes.h"
#include "sim_kernel.h"

namespace kav::sim {

static_assert(kSetBaudRate == IOCTL_SERIAL_SET_BAUD_RATE);
static_assert(kSetQueueSize == IOCTL_SERIAL_SET_QUEUE_SIZE);
static_assert(kSetLineControl == IOCTL_SERIAL_SET_LINE_CONTROL);
static_assert(kSetBreakOn == IOCTL_SERIAL_SET_BREAK_ON);
static_assert(kSetBreakOff == IOCTL_SERIAL_SET_BREAK_OFF);
static_assert(kImmediateChar == IOCTL_SERIAL_IMMEDIATE_CHAR);
static_assert(kSetTimeouts == IOCTL_SERIAL_SET_TIMEOUTS);
static_assert(kGetTimeouts == IOCTL_SERIAL_GET_TIMEOUTS);
static_assert(kSetDtr == IOCTL_SERIAL_SET_DTR);
static_assert(kClrDtr == IOCTL_SERIAL_CLR_DTR);
static_assert(kResetDevice == IOCTL_SERIAL_RESET_DEVICE);
static_assert(kSetRts == IOCTL_SERIAL_SET_RTS);
static_assert(kClrRts == IOCTL_SERIAL_CLR_RTS);
static_assert(kSetXoff == IOCTL_SERIAL_SET_XOFF);
static_assert(kSetXon == IOCTL_SERIAL_SET_XON);
static_assert(kGetWaitMask == IOCTL_SERIAL_GET_WAIT_MASK);
static_assert(kSetWaitMask == IOCTL_SERIAL_SET_WAIT_MASK);
static_assert(kWaitOnMask == IOCTL_SERIAL_WAIT_ON_MASK);
static_assert(kPurge == IOCTL_SERIAL_PURGE);
static_assert(kGetBaudRate == IOCTL_SERIAL_GET_BAUD_RATE);
static_assert(kGetLineControl == IOCTL_SERIAL_GET_LINE_CONTROL);
static_assert(kGetChars == IOCTL_SERIAL_GET_CHARS);
static_assert(kSetChars == IOCTL_SERIAL_SET_CHARS);
static_assert(kGetHandflow == IOCTL_SERIAL_GET_HANDFLOW);
static_assert(kSetHandflow == IOCTL_SERIAL_SET_HANDFLOW);
static_assert(kGetModemStatus == IOCTL_SERIAL_GET_MODEMSTATUS);
static_assert(kGetCommStatus == IOCTL_SERIAL_GET_COMMSTATUS);
static_assert(kGetProperties == IOCTL_SERIAL_GET_PROPERTIES);
static_assert(kGetDtrRts == IOCTL_SERIAL_GET_DTRRTS);

static_assert(kEventRlsd == SERIAL_EV_RLSD && kEventRing == SERIAL_EV_RING);
static_assert(kModemCts == SERIAL_CTS_STATE && kModemDsr == SERIAL_DSR_STATE && kModemRlsd == SERIAL_DCD_STATE);
static_assert(kHandshakeDtrControl == SERIAL_DTR_CONTROL && kFlowRtsControl == SERIAL_RTS_CONTROL);
static_assert(kPurgeReceiveClear == SERIAL_PURGE_RXCLEAR);

static_assert(kBaudRateSize == sizeof(SERIAL_BAUD_RATE));
static_assert(kLineControlSize == sizeof(SERIAL_LINE_CONTROL));
static_assert(kHandflowSize == sizeof(SERIAL_HANDFLOW));
static_assert(kCharsSize == sizeof(SERIAL_CHARS));
static_assert(kTimeoutsSize == sizeof(SERIAL_TIMEOUTS));
static_assert(kCommStatusSize == sizeof(SERIAL_STATUS));
static_assert(kPropertiesSize == sizeof(SERIAL_COMMPROP));

static_assert(kStatusCancelled == STATUS_CANCELLED && kStatusAccessDenied == STATUS_ACCESS_DENIED);
static_assert(kStatusInvalidParameter == STATUS_INVALID_PARAMETER && kStatusBufferTooSmall == STATUS_BUFFER_TOO_SMALL);
static_assert(kStatusInvalidDeviceRequest == STATUS_INVALID_DEVICE_REQUEST && kStatusPending == STATUS_PENDING);

} // namespace kav::sim
