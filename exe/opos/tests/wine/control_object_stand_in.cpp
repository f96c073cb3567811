#include "control_object_stand_in.h"

#include "opos_constants.h"

namespace kav::opos::wine {
namespace {

constexpr const wchar_t* kClassKey = L"SOFTWARE\\OLEforRetail\\ServiceOPOS\\CashDrawer";
constexpr size_t kRegistryBuffer = 256;

// The lookup order of the real control object, with the older names it
// tries where the newer one does not resolve.
constexpr const wchar_t* kNames[] = {
    L"COFreezeEvents", L"GetPropertyNumber", L"SetPropertyNumber", L"GetPropertyString", L"SetPropertyString",
    L"OpenService", L"CheckHealth", L"ClaimDevice", L"CloseService", L"DirectIO", L"ReleaseDevice", L"OpenDrawer",
    L"WaitForDrawerClose", L"ResetStatistics", L"RetrieveStatistics", L"UpdateStatistics",
    L"CompareFirmwareVersion", L"UpdateFirmware",
};
const wchar_t* fallback(size_t index)
{
    switch (index) {
    case 7: return L"Claim";
    case 8: return L"Close";
    case 10: return L"Release";
    default: return nullptr;
    }
}

bool read_string(HKEY key, const wchar_t* name, std::wstring& value)
{
    wchar_t buffer[kRegistryBuffer] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    value = buffer;
    return true;
}

bool lookup(IDispatch* object, const wchar_t* name, DISPID& dispid)
{
    std::wstring copy = name;
    LPOLESTR names[] = {copy.data()};
    return SUCCEEDED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &dispid));
}

} // namespace

VARIANT long_argument(LONG value)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

VARIANT bool_argument(bool value)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

VARIANT string_argument(const std::wstring& value)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    // Never a null BSTR: the real control object passes an empty one.
    V_BSTR(&v) = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    return v;
}

VARIANT long_ref_argument(LONG* value)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BYREF | VT_I4;
    V_I4REF(&v) = value;
    return v;
}

VARIANT string_ref_argument(BSTR* value)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&v) = value;
    return v;
}

StandInControlObject::StandInControlObject() : events_(new StandInEvents()) {}

StandInControlObject::~StandInControlObject()
{
    if (open_) Close();
    delete events_;
}

LONG StandInControlObject::open_failed(LONG result, LONG open_result)
{
    open_result_ = open_result;
    if (service_object_) release_service_object();
    events_->set_legal(false);
    return result;
}

void StandInControlObject::release_service_object()
{
    last_release_ = service_object_->Release();
    service_object_ = nullptr;
}

LONG StandInControlObject::Open(const std::wstring& device_name)
{
    own_result_ = -1;
    if (open_) {
        open_result_ = OPOS_OR_ALREADYOPEN;
        return OPOS_E_ILLEGAL;
    }
    if (device_name.empty() || device_name.size() >= kRegistryBuffer) {
        return open_failed(OPOS_E_NOEXIST, OPOS_OR_REGBADNAME);
    }
    HKEY class_key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kClassKey, 0, KEY_READ, &class_key) != ERROR_SUCCESS) {
        return open_failed(OPOS_E_NOEXIST, OPOS_OR_REGBADNAME);
    }
    std::wstring physical = device_name;
    read_string(class_key, device_name.c_str(), physical); // an alias, if there is one
    HKEY device_key = nullptr;
    const LONG opened = RegOpenKeyExW(class_key, physical.c_str(), 0, KEY_READ, &device_key);
    RegCloseKey(class_key);
    if (opened != ERROR_SUCCESS) return open_failed(OPOS_E_NOEXIST, OPOS_OR_REGBADNAME);
    std::wstring progid;
    const bool has_progid = read_string(device_key, nullptr, progid);
    RegCloseKey(device_key);
    CLSID clsid;
    if (!has_progid || FAILED(CLSIDFromProgID(progid.c_str(), &clsid))) {
        return open_failed(OPOS_E_NOSERVICE, OPOS_OR_REGPROGID);
    }
    IUnknown* unknown = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&unknown)))) {
        return open_failed(OPOS_E_NOSERVICE, OPOS_OR_CREATE);
    }
    const HRESULT queried = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&service_object_));
    unknown->Release();
    if (FAILED(queried)) {
        service_object_ = nullptr;
        return open_failed(OPOS_E_NOSERVICE, OPOS_OR_CREATE);
    }
    size_t bound = 0;
    for (; bound < kMethods; ++bound) {
        if (!lookup(service_object_, kNames[bound], dispids_[bound]) &&
            !(fallback(bound) && lookup(service_object_, fallback(bound), dispids_[bound]))) {
            break; // everything after a missing name counts as missing
        }
    }
    if (bound < 13) return open_failed(OPOS_E_NOSERVICE, OPOS_OR_BADIF);

    events_->set_legal(true);
    VARIANT sink;
    VariantInit(&sink);
    V_VT(&sink) = VT_DISPATCH;
    V_DISPATCH(&sink) = events_;
    VARIANT result;
    std::vector<VARIANT> arguments = {string_argument(L"CashDrawer"), string_argument(physical), sink};
    if (invoke(dispids_[OpenService], std::move(arguments), result) != S_OK) {
        VariantClear(&result);
        return open_failed(OPOS_E_NOSERVICE, OPOS_OR_FAILEDOPEN);
    }
    if (const LONG code = as_long(result); code != OPOS_SUCCESS) {
        LONG reason = OPOS_OR_FAILEDOPEN;
        DISPID get_open_result;
        if (lookup(service_object_, L"GetOpenResult", get_open_result) &&
            invoke(get_open_result, {}, result) == S_OK) {
            reason = as_long(result);
        }
        return open_failed(code, reason);
    }
    invoke(dispids_[GetPropertyNumber], {long_argument(PIDX_ServiceObjectVersion)}, result);
    version_ = as_long(result);
    const LONG minor = version_ / 1000 % 1000;
    const size_t required = minor >= 9 ? 18 : minor >= 8 ? 16 : 13;
    if (version_ / 1000000 != 1 || bound < required) {
        events_->set_legal(false);
        invoke(dispids_[CloseService], {}, result);
        VariantClear(&result);
        return open_failed(OPOS_E_NOSERVICE, version_ / 1000000 != 1 ? OPOS_OR_BADVERSION : OPOS_OR_BADIF);
    }
    open_ = true;
    open_result_ = 0;
    if (container_frozen_) {
        invoke(dispids_[COFreezeEvents], {bool_argument(true)}, result);
        VariantClear(&result);
    }
    return OPOS_SUCCESS;
}

LONG StandInControlObject::Close()
{
    own_result_ = -1;
    if (!open_) return own_result_ = OPOS_E_CLOSED;
    // Events turn illegal first, which frees a service object thread that
    // waits inside an event call; no ReleaseDevice, no DeviceEnabled=FALSE.
    events_->set_legal(false);
    const LONG code = call(CloseService, {});
    release_service_object();
    open_ = false;
    return code;
}

HRESULT StandInControlObject::invoke(DISPID member, std::vector<VARIANT> arguments, VARIANT& result)
{
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS parameters = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                             static_cast<UINT>(reversed.size()), 0};
    VariantInit(&result);
    const HRESULT hr = service_object_->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                                               &result, nullptr, nullptr);
    for (VARIANT& argument : arguments) {
        // Ours to free: the strings. The sink and by-reference ones are not.
        if (V_VT(&argument) == VT_BSTR) VariantClear(&argument);
    }
    return hr;
}

LONG StandInControlObject::as_long(VARIANT& result)
{
    if (V_VT(&result) != VT_I4) ++loose_results_;
    LONG value = 0;
    if (SUCCEEDED(VariantChangeType(&result, &result, 0, VT_I4))) value = V_I4(&result);
    VariantClear(&result);
    return value;
}

LONG StandInControlObject::call(Method method, std::vector<VARIANT> arguments, LONG needs_minor)
{
    own_result_ = -1;
    if (!open_ || version_ / 1000 % 1000 < needs_minor) {
        for (VARIANT& argument : arguments) VariantClear(&argument);
        return own_result_ = open_ ? OPOS_E_NOSERVICE : OPOS_E_CLOSED;
    }
    VARIANT result;
    if (invoke(dispids_[method], std::move(arguments), result) != S_OK) {
        VariantClear(&result);
        return own_result_ = OPOS_E_NOSERVICE;
    }
    return as_long(result);
}

LONG StandInControlObject::ClaimDevice(LONG timeout)
{
    return call(ClaimDeviceMethod, {long_argument(timeout)});
}

LONG StandInControlObject::ReleaseDevice()
{
    return call(ReleaseDeviceMethod, {});
}

LONG StandInControlObject::CheckHealth(LONG level)
{
    return call(CheckHealthMethod, {long_argument(level)});
}

LONG StandInControlObject::DirectIO(LONG command, LONG& data, std::wstring& text)
{
    BSTR string = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    const LONG code =
        call(DirectIOMethod, {long_argument(command), long_ref_argument(&data), string_ref_argument(&string)});
    text.assign(string ? string : L"", string ? SysStringLen(string) : 0);
    SysFreeString(string);
    return code;
}

LONG StandInControlObject::OpenDrawer()
{
    return call(OpenDrawerMethod, {});
}

LONG StandInControlObject::WaitForDrawerClose(LONG beep_timeout, LONG frequency, LONG duration, LONG delay)
{
    return call(WaitForDrawerCloseMethod,
                {long_argument(beep_timeout), long_argument(frequency), long_argument(duration), long_argument(delay)});
}

LONG StandInControlObject::ResetStatistics(const std::wstring& names)
{
    return call(ResetStatisticsMethod, {string_argument(names)}, 8);
}

LONG StandInControlObject::RetrieveStatistics(std::wstring& buffer)
{
    BSTR string = SysAllocStringLen(buffer.data(), static_cast<UINT>(buffer.size()));
    const LONG code = call(RetrieveStatisticsMethod, {string_ref_argument(&string)}, 8);
    buffer.assign(string ? string : L"", string ? SysStringLen(string) : 0);
    SysFreeString(string);
    return code;
}

LONG StandInControlObject::UpdateStatistics(const std::wstring& pairs)
{
    return call(UpdateStatisticsMethod, {string_argument(pairs)}, 8);
}

LONG StandInControlObject::CompareFirmwareVersion(const std::wstring& file, LONG& result)
{
    return call(CompareFirmwareVersionMethod, {string_argument(file), long_ref_argument(&result)}, 9);
}

LONG StandInControlObject::UpdateFirmware(const std::wstring& file)
{
    return call(UpdateFirmwareMethod, {string_argument(file)}, 9);
}

LONG StandInControlObject::get_number(LONG index)
{
    if (!open_) return 0;
    VARIANT result;
    if (invoke(dispids_[GetPropertyNumber], {long_argument(index)}, result) != S_OK) {
        VariantClear(&result);
        return 0;
    }
    return as_long(result);
}

void StandInControlObject::set_number(LONG index, LONG value)
{
    // Booleans go as exactly 1 or 0.
    if (index == PIDX_DeviceEnabled || index == PIDX_FreezeEvents) value = value ? 1 : 0;
    // FreezeEvents: the service object hears of a freeze before the control
    // object holds events, and of a thaw after.
    if (index == PIDX_FreezeEvents && !value && open_) {
        frozen_ = false;
        events_->set_frozen(container_frozen_);
    }
    call(SetPropertyNumber, {long_argument(index), long_argument(value)});
    if (index == PIDX_FreezeEvents && value && open_) {
        frozen_ = true;
        events_->set_frozen(true);
    }
}

std::wstring StandInControlObject::get_string(LONG index)
{
    if (!open_) return L"";
    VARIANT result;
    std::wstring text = L"[Error]";
    if (invoke(dispids_[GetPropertyString], {long_argument(index)}, result) == S_OK &&
        SUCCEEDED(VariantChangeType(&result, &result, 0, VT_BSTR))) {
        text.assign(V_BSTR(&result), SysStringLen(V_BSTR(&result)));
    }
    VariantClear(&result);
    return text;
}

LONG StandInControlObject::ResultCode()
{
    if (!open_) return OPOS_E_CLOSED;
    return own_result_ != -1 ? own_result_ : get_number(PIDX_ResultCode);
}

LONG StandInControlObject::ResultCodeExtended()
{
    return open_ ? get_number(PIDX_ResultCodeExtended) : 0;
}

LONG StandInControlObject::State()
{
    return open_ ? get_number(PIDX_State) : OPOS_S_CLOSED;
}

void StandInControlObject::container_freeze(bool freeze)
{
    if (freeze == container_frozen_) return;
    container_frozen_ = freeze;
    events_->set_frozen(frozen_ || container_frozen_);
    if (!open_) return;
    VARIANT result;
    invoke(dispids_[COFreezeEvents], {bool_argument(freeze)}, result);
    VariantClear(&result);
}

bool StandInControlObject::pump_until(const std::function<bool()>& condition, DWORD timeout_ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (condition()) return true;
        if (GetTickCount() - start >= timeout_ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

} // namespace kav::opos::wine
