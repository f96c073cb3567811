// The numbers of the OPOS CashDrawer interface: result codes, property
// indices, states, power and status-update codes, as the control object and
// the applications behind it know them.
#pragma once
#include <cstdint>

namespace kav::opos {

// Result codes (ResultCode, and what every method returns).
inline constexpr int32_t OPOS_SUCCESS = 0;
inline constexpr int32_t OPOS_E_CLOSED = 101;
inline constexpr int32_t OPOS_E_CLAIMED = 102;
inline constexpr int32_t OPOS_E_NOTCLAIMED = 103;
inline constexpr int32_t OPOS_E_NOSERVICE = 104;
inline constexpr int32_t OPOS_E_DISABLED = 105;
inline constexpr int32_t OPOS_E_ILLEGAL = 106;
inline constexpr int32_t OPOS_E_NOHARDWARE = 107;
inline constexpr int32_t OPOS_E_OFFLINE = 108;
inline constexpr int32_t OPOS_E_NOEXIST = 109;
inline constexpr int32_t OPOS_E_EXISTS = 110;
inline constexpr int32_t OPOS_E_FAILURE = 111;
inline constexpr int32_t OPOS_E_TIMEOUT = 112;
inline constexpr int32_t OPOS_E_BUSY = 113;
inline constexpr int32_t OPOS_E_EXTENDED = 114;

// ResultCodeExtended with OPOS_E_EXTENDED.
inline constexpr int32_t OPOS_ESTATS_ERROR = 280;

// Open results the service object reports through GetOpenResult. 451 and
// up are this service object's own.
inline constexpr int32_t OPOS_ORS_NOTSUPPORTED = 402; // not a CashDrawer
inline constexpr int32_t OPOS_ORS_CONFIG = 403;       // the device's Drawer value is wrong
inline constexpr int32_t KAV_ORS_NO_DEVICE = 451;     // no such device key

// State.
inline constexpr int32_t OPOS_S_CLOSED = 1;
inline constexpr int32_t OPOS_S_IDLE = 2;

// CheckHealth levels.
inline constexpr int32_t OPOS_CH_INTERNAL = 1;
inline constexpr int32_t OPOS_CH_EXTERNAL = 2;
inline constexpr int32_t OPOS_CH_INTERACTIVE = 3;

// Power reporting.
inline constexpr int32_t OPOS_PR_STANDARD = 1;
inline constexpr int32_t OPOS_PN_DISABLED = 0;
inline constexpr int32_t OPOS_PN_ENABLED = 1;
inline constexpr int32_t OPOS_PS_UNKNOWN = 2000;
inline constexpr int32_t OPOS_PS_ONLINE = 2001;
inline constexpr int32_t OPOS_PS_OFF_OFFLINE = 2004;
inline constexpr int32_t OPOS_SUE_POWER_ONLINE = 2001;
inline constexpr int32_t OPOS_SUE_POWER_OFF_OFFLINE = 2004;

// BinaryConversion.
inline constexpr int32_t OPOS_BC_NONE = 0;
inline constexpr int32_t OPOS_BC_DECIMAL = 2;

// ClaimDevice's wait without end.
inline constexpr int32_t OPOS_FOREVER = -1;

// The drawer's status updates.
inline constexpr int32_t CASH_SUE_DRAWERCLOSED = 0;
inline constexpr int32_t CASH_SUE_DRAWEROPEN = 1;

// Property indices: numbers below 1,000,000, strings from it.
inline constexpr int32_t PIDX_Claimed = 1;
inline constexpr int32_t PIDX_DeviceEnabled = 3;
inline constexpr int32_t PIDX_FreezeEvents = 4;
inline constexpr int32_t PIDX_ResultCode = 6;
inline constexpr int32_t PIDX_ResultCodeExtended = 7;
inline constexpr int32_t PIDX_ServiceObjectVersion = 8;
inline constexpr int32_t PIDX_State = 9;
inline constexpr int32_t PIDX_BinaryConversion = 11;
inline constexpr int32_t PIDX_PowerNotify = 13;
inline constexpr int32_t PIDX_PowerState = 14;
inline constexpr int32_t PIDX_CapPowerReporting = 501;
inline constexpr int32_t PIDX_CapStatisticsReporting = 502;
inline constexpr int32_t PIDX_CapUpdateStatistics = 503;
inline constexpr int32_t PIDX_CapCompareFirmwareVersion = 504;
inline constexpr int32_t PIDX_CapUpdateFirmware = 505;
inline constexpr int32_t PIDX_CheckHealthText = 1000001;
inline constexpr int32_t PIDX_DeviceDescription = 1000002;
inline constexpr int32_t PIDX_DeviceName = 1000003;
inline constexpr int32_t PIDX_ServiceObjectDescription = 1000004;
inline constexpr int32_t PIDX_DrawerOpened = 1001;
inline constexpr int32_t PIDX_CapStatus = 1501;
inline constexpr int32_t PIDX_CapStatusMultiDrawerDetect = 1502;

// Release 1.14: the control object then binds all 18 methods.
inline constexpr int32_t kServiceObjectVersion = 1014000;
inline constexpr const char* kDeviceClass = "CashDrawer";

} // namespace kav::opos
