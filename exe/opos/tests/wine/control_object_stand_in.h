// A stand-in for the standard CashDrawer control object, as strict as the
// real one is with a service object: it finds the service object by the
// logical device's registry key and ProgID, creates it with CoCreateInstance
// for IUnknown and asks for IDispatch only, binds the 18 method names in
// their order (Close, Claim and Release as fallbacks) and stops at the first
// that does not resolve, calls everything with DISPATCH_METHOD and the
// arguments reversed, accepts S_OK only (anything else is
// OPOS_E_NOSERVICE), and closes without releasing or disabling first. Results
// are converted as the real one converts them; a result that was not a VT_I4
// is counted, so a service object that relies on the conversion shows.
// Make it, call it and pump messages on one single-threaded apartment thread.
#pragma once
#include "stand_in_events.h"

#include <oaidl.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace kav::opos::wine {

inline constexpr LONG OPOS_OR_ALREADYOPEN = 301;
inline constexpr LONG OPOS_OR_REGBADNAME = 302;
inline constexpr LONG OPOS_OR_REGPROGID = 303;
inline constexpr LONG OPOS_OR_CREATE = 304;
inline constexpr LONG OPOS_OR_BADIF = 305;
inline constexpr LONG OPOS_OR_FAILEDOPEN = 306;
inline constexpr LONG OPOS_OR_BADVERSION = 307;

class StandInControlObject {
public:
    StandInControlObject();
    ~StandInControlObject();
    StandInControlObject(const StandInControlObject&) = delete;
    StandInControlObject& operator=(const StandInControlObject&) = delete;

    LONG Open(const std::wstring& device_name);
    LONG Close();
    LONG ClaimDevice(LONG timeout);
    LONG ReleaseDevice();
    LONG CheckHealth(LONG level);
    LONG DirectIO(LONG command, LONG& data, std::wstring& text);
    LONG OpenDrawer();
    LONG WaitForDrawerClose(LONG beep_timeout, LONG frequency, LONG duration, LONG delay);
    LONG ResetStatistics(const std::wstring& names);
    LONG RetrieveStatistics(std::wstring& buffer);
    LONG UpdateStatistics(const std::wstring& pairs);
    LONG CompareFirmwareVersion(const std::wstring& file, LONG& result);
    LONG UpdateFirmware(const std::wstring& file);

    // Property gets and puts by the service object's property index.
    LONG get_number(LONG index);
    void set_number(LONG index, LONG value);
    std::wstring get_string(LONG index);
    LONG ResultCode();
    LONG ResultCodeExtended();
    LONG State();
    LONG OpenResult() const { return open_result_; }
    LONG ServiceObjectVersion() const { return version_; }

    // The container's IOleControl::FreezeEvents.
    void container_freeze(bool freeze);

    // Pumps this thread's messages until condition holds (true) or timeout_ms.
    bool pump_until(const std::function<bool()>& condition, DWORD timeout_ms);
    StandInEvents& events() { return *events_; }
    // Results that came back as another type than VT_I4.
    int loose_results() const { return loose_results_; }
    // What the last Release of the service object returned (its count).
    ULONG last_release() const { return last_release_; }

private:
    enum Method {
        COFreezeEvents, GetPropertyNumber, SetPropertyNumber, GetPropertyString, SetPropertyString, OpenService,
        CheckHealthMethod, ClaimDeviceMethod, CloseService, DirectIOMethod, ReleaseDeviceMethod, OpenDrawerMethod,
        WaitForDrawerCloseMethod, ResetStatisticsMethod, RetrieveStatisticsMethod, UpdateStatisticsMethod,
        CompareFirmwareVersionMethod, UpdateFirmwareMethod, kMethods
    };
    LONG open_failed(LONG result, LONG open_result);
    void release_service_object();
    // Invoke as the real control object does; arguments in call order.
    HRESULT invoke(DISPID member, std::vector<VARIANT> arguments, VARIANT& result);
    // A method call: 101 while closed, 104 past the version or on a failed Invoke.
    LONG call(Method method, std::vector<VARIANT> arguments, LONG needs_minor = 0);
    LONG as_long(VARIANT& result);

    StandInEvents* events_;
    IDispatch* service_object_ = nullptr;
    DISPID dispids_[kMethods] = {};
    bool open_ = false;
    bool container_frozen_ = false;
    bool frozen_ = false;
    LONG open_result_ = 0;
    LONG version_ = 0;
    LONG own_result_ = -1; // a result the control object set itself during the last call
    int loose_results_ = 0;
    ULONG last_release_ = 0;
};

VARIANT long_argument(LONG value);
VARIANT bool_argument(bool value);
// The BSTR is freed with the argument list by call().
VARIANT string_argument(const std::wstring& value);
// By reference: the caller's storage, never freed with the arguments.
VARIANT long_ref_argument(LONG* value);
VARIANT string_ref_argument(BSTR* value);

} // namespace kav::opos::wine
