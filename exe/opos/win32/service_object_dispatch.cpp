#include "service_object_dispatch.h"

#include "control_object_events.h"
#include "dispatch_arguments.h"
#include "module_state.h"

#include <new>

namespace kav::opos::win32 {
namespace {

// Our own numbers; the control object binds by name only.
enum : DISPID {
    kGetPropertyNumber = 1,
    kSetPropertyNumber = 2,
    kGetPropertyString = 3,
    kSetPropertyString = 4,
    kOpenService = 5,
    kCloseService = 6,
    kClaimDevice = 7,
    kReleaseDevice = 8,
    kCheckHealth = 9,
    kDirectIO = 13,
    kCompareFirmwareVersion = 14,
    kUpdateFirmware = 15,
    kResetStatistics = 16,
    kRetrieveStatistics = 17,
    kUpdateStatistics = 18,
    kCOFreezeEvents = 19,
    kGetOpenResult = 20,
    kOpenDrawer = 81,
    kWaitForDrawerClose = 82,
};

struct Member {
    const wchar_t* name;
    DISPID id;
};

constexpr Member kMembers[] = {
    {L"COFreezeEvents", kCOFreezeEvents},
    {L"GetPropertyNumber", kGetPropertyNumber},
    {L"SetPropertyNumber", kSetPropertyNumber},
    {L"GetPropertyString", kGetPropertyString},
    {L"SetPropertyString", kSetPropertyString},
    {L"OpenService", kOpenService},
    {L"CheckHealth", kCheckHealth},
    {L"ClaimDevice", kClaimDevice},
    {L"Claim", kClaimDevice},
    {L"CloseService", kCloseService},
    {L"Close", kCloseService},
    {L"DirectIO", kDirectIO},
    {L"ReleaseDevice", kReleaseDevice},
    {L"Release", kReleaseDevice},
    {L"OpenDrawer", kOpenDrawer},
    {L"WaitForDrawerClose", kWaitForDrawerClose},
    {L"ResetStatistics", kResetStatistics},
    {L"RetrieveStatistics", kRetrieveStatistics},
    {L"UpdateStatistics", kUpdateStatistics},
    {L"CompareFirmwareVersion", kCompareFirmwareVersion},
    {L"UpdateFirmware", kUpdateFirmware},
    {L"GetOpenResult", kGetOpenResult},
};

// Automation names are matched without regard to case.
bool same_name(const wchar_t* a, const wchar_t* b)
{
    for (; *a && *b; ++a, ++b) {
        const wchar_t x = *a >= L'a' && *a <= L'z' ? static_cast<wchar_t>(*a - 32) : *a;
        const wchar_t y = *b >= L'a' && *b <= L'z' ? static_cast<wchar_t>(*b - 32) : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

} // namespace

ServiceObjectDispatch::ServiceObjectDispatch()
{
    object_created();
}

ServiceObjectDispatch::~ServiceObjectDispatch()
{
    object_destroyed();
}

HRESULT ServiceObjectDispatch::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ServiceObjectDispatch::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG ServiceObjectDispatch::Release()
{
    const LONG left = InterlockedDecrement(&references_);
    // Closes the device first if the control object never did.
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT ServiceObjectDispatch::GetTypeInfoCount(UINT* count)
{
    if (!count) return E_POINTER;
    *count = 0; // no type library: the control object binds by name
    return S_OK;
}

HRESULT ServiceObjectDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT ServiceObjectDispatch::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* dispids)
{
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !dispids || count == 0) return E_INVALIDARG;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) dispids[i] = DISPID_UNKNOWN;
    for (const Member& member : kMembers) {
        if (names[0] && same_name(names[0], member.name)) dispids[0] = member.id;
    }
    if (dispids[0] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    // Parameters have no names to bind.
    if (count > 1) hr = DISP_E_UNKNOWNNAME;
    return hr;
}

HRESULT ServiceObjectDispatch::Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* parameters,
                                      VARIANT* result, EXCEPINFO*, UINT* arg_error)
{
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (!parameters) return E_INVALIDARG;
    if (parameters->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    // Nothing may cross into the control object but an HRESULT.
    try {
        AddRef(); // a call that ends in the last Release must not free us mid-call
        const HRESULT hr = call(member, DispatchArguments(*parameters, arg_error), result);
        Release();
        return hr;
    } catch (const std::bad_alloc&) {
        Release();
        return E_OUTOFMEMORY;
    } catch (...) {
        Release();
        return E_UNEXPECTED;
    }
}

HRESULT ServiceObjectDispatch::call(DISPID member, const DispatchArguments& arguments, VARIANT* result)
{
    ServiceObject& so = service_object_;
    HRESULT hr = S_OK;
    int32_t first = 0;
    switch (member) {
    case kCOFreezeEvents: {
        bool freeze = false;
        if (FAILED(hr = arguments.expect(1)) || FAILED(hr = arguments.bool_at(0, freeze))) return hr;
        long_result(result, so.co_freeze_events(freeze));
        return S_OK;
    }
    case kGetPropertyNumber:
        if (FAILED(hr = arguments.expect(1)) || FAILED(hr = arguments.long_at(0, first))) return hr;
        long_result(result, so.get_property_number(first));
        return S_OK;
    case kSetPropertyNumber: {
        int32_t number = 0;
        if (FAILED(hr = arguments.expect(2)) || FAILED(hr = arguments.long_at(0, first)) ||
            FAILED(hr = arguments.long_at(1, number))) {
            return hr;
        }
        long_result(result, so.set_property_number(first, number));
        return S_OK;
    }
    case kGetPropertyString:
        if (FAILED(hr = arguments.expect(1)) || FAILED(hr = arguments.long_at(0, first))) return hr;
        return string_result(result, so.get_property_string(first));
    case kSetPropertyString: {
        std::string text;
        if (FAILED(hr = arguments.expect(2)) || FAILED(hr = arguments.long_at(0, first)) ||
            FAILED(hr = arguments.string_at(1, text))) {
            return hr;
        }
        long_result(result, so.set_property_string(first, text));
        return S_OK;
    }
    case kOpenService: {
        std::string device_class;
        std::string device_name;
        IDispatch* control_object = nullptr;
        if (FAILED(hr = arguments.expect(3)) || FAILED(hr = arguments.string_at(0, device_class)) ||
            FAILED(hr = arguments.string_at(1, device_name)) || FAILED(hr = arguments.dispatch_at(2, control_object))) {
            return hr;
        }
        std::unique_ptr<EventSink> events;
        if (control_object) events = std::make_unique<ControlObjectEvents>(control_object);
        long_result(result, so.open_service(device_class, device_name, std::move(events)));
        return S_OK;
    }
    case kCloseService:
        if (FAILED(hr = arguments.expect(0))) return hr;
        long_result(result, so.close_service());
        return S_OK;
    case kClaimDevice:
        if (FAILED(hr = arguments.expect(1)) || FAILED(hr = arguments.long_at(0, first))) return hr;
        long_result(result, so.claim_device(first));
        return S_OK;
    case kReleaseDevice:
        if (FAILED(hr = arguments.expect(0))) return hr;
        long_result(result, so.release_device());
        return S_OK;
    case kCheckHealth:
        if (FAILED(hr = arguments.expect(1)) || FAILED(hr = arguments.long_at(0, first))) return hr;
        long_result(result, so.check_health(first));
        return S_OK;
    case kDirectIO: {
        LONG* data = nullptr;
        BSTR* text = nullptr;
        if (FAILED(hr = arguments.expect(3)) || FAILED(hr = arguments.long_at(0, first)) ||
            FAILED(hr = arguments.long_ref_at(1, data)) || FAILED(hr = arguments.string_ref_at(2, text))) {
            return hr;
        }
        int32_t number = *data;
        std::string string = bstr_text(*text);
        long_result(result, so.direct_io(first, number, string));
        return S_OK;
    }
    case kOpenDrawer:
        if (FAILED(hr = arguments.expect(0))) return hr;
        long_result(result, so.open_drawer());
        return S_OK;
    case kWaitForDrawerClose: {
        int32_t values[4] = {};
        if (FAILED(hr = arguments.expect(4))) return hr;
        for (UINT i = 0; i < 4; ++i) {
            if (FAILED(hr = arguments.long_at(i, values[i]))) return hr;
        }
        long_result(result, so.wait_for_drawer_close(values[0], values[1], values[2], values[3]));
        return S_OK;
    }
    case kGetOpenResult:
        if (FAILED(hr = arguments.expect(0))) return hr;
        long_result(result, so.open_result());
        return S_OK;
    default: return call_statistics(member, arguments, result);
    }
}

HRESULT ServiceObjectDispatch::call_statistics(DISPID member, const DispatchArguments& arguments, VARIANT* result)
{
    ServiceObject& so = service_object_;
    HRESULT hr = S_OK;
    std::string text;
    switch (member) {
    case kResetStatistics:
    case kUpdateStatistics:
        if (FAILED(hr = arguments.expect(1)) || FAILED(hr = arguments.string_at(0, text))) return hr;
        long_result(result, member == kResetStatistics ? so.reset_statistics(text) : so.update_statistics(text));
        return S_OK;
    case kRetrieveStatistics: {
        BSTR* buffer = nullptr;
        if (FAILED(hr = arguments.expect(1)) || FAILED(hr = arguments.string_ref_at(0, buffer))) return hr;
        text = bstr_text(*buffer);
        const int32_t code = so.retrieve_statistics(text);
        // The request stays where the statistics could not be had.
        if (code == OPOS_SUCCESS && FAILED(hr = replace_string(buffer, text))) return hr;
        long_result(result, code);
        return S_OK;
    }
    case kCompareFirmwareVersion: {
        LONG* comparison = nullptr;
        if (FAILED(hr = arguments.expect(2)) || FAILED(hr = arguments.string_at(0, text)) ||
            FAILED(hr = arguments.long_ref_at(1, comparison))) {
            return hr;
        }
        int32_t outcome = *comparison;
        long_result(result, so.compare_firmware_version(text, outcome));
        return S_OK;
    }
    case kUpdateFirmware:
        if (FAILED(hr = arguments.expect(1)) || FAILED(hr = arguments.string_at(0, text))) return hr;
        long_result(result, so.update_firmware(text));
        return S_OK;
    default: return DISP_E_MEMBERNOTFOUND;
    }
}

} // namespace kav::opos::win32
