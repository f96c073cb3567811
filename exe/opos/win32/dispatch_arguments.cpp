#include "dispatch_arguments.h"

#include "system_text.h"

#include <algorithm>

namespace kav::opos::win32 {

HRESULT DispatchArguments::expect(UINT count) const
{
    if (parameters_.cArgs != count || (count > 0 && !parameters_.rgvarg)) return DISP_E_BADPARAMCOUNT;
    return S_OK;
}

const VARIANT& DispatchArguments::at(UINT position) const
{
    return parameters_.rgvarg[parameters_.cArgs - 1 - position];
}

HRESULT DispatchArguments::refuse(UINT position) const
{
    if (arg_error_) *arg_error_ = parameters_.cArgs - 1 - position;
    return DISP_E_TYPEMISMATCH;
}

HRESULT DispatchArguments::converted(UINT position, VARTYPE type, VARIANT& out) const
{
    VariantInit(&out);
    // The source is only read: the API merely lacks the const.
    if (FAILED(VariantChangeType(&out, const_cast<VARIANT*>(&at(position)), 0, type))) return refuse(position);
    return S_OK;
}

HRESULT DispatchArguments::long_at(UINT position, int32_t& value) const
{
    const VARIANT& argument = at(position);
    if (V_VT(&argument) == VT_I4) {
        value = V_I4(&argument);
        return S_OK;
    }
    VARIANT out;
    if (HRESULT hr = converted(position, VT_I4, out); FAILED(hr)) return hr;
    value = V_I4(&out);
    return S_OK;
}

HRESULT DispatchArguments::bool_at(UINT position, bool& value) const
{
    VARIANT out;
    if (HRESULT hr = converted(position, VT_BOOL, out); FAILED(hr)) return hr;
    value = V_BOOL(&out) != VARIANT_FALSE;
    return S_OK;
}

HRESULT DispatchArguments::string_at(UINT position, std::string& value) const
{
    const VARIANT& argument = at(position);
    if (V_VT(&argument) == VT_BSTR) {
        value = bstr_text(V_BSTR(&argument));
        return S_OK;
    }
    VARIANT out;
    if (HRESULT hr = converted(position, VT_BSTR, out); FAILED(hr)) return hr;
    value = bstr_text(V_BSTR(&out));
    VariantClear(&out);
    return S_OK;
}

HRESULT DispatchArguments::long_ref_at(UINT position, LONG*& value) const
{
    const VARIANT& argument = at(position);
    if (V_VT(&argument) != (VT_BYREF | VT_I4) || !V_I4REF(&argument)) return refuse(position);
    value = V_I4REF(&argument);
    return S_OK;
}

HRESULT DispatchArguments::string_ref_at(UINT position, BSTR*& value) const
{
    const VARIANT& argument = at(position);
    if (V_VT(&argument) != (VT_BYREF | VT_BSTR) || !V_BSTRREF(&argument)) return refuse(position);
    value = V_BSTRREF(&argument);
    return S_OK;
}

HRESULT DispatchArguments::dispatch_at(UINT position, IDispatch*& value) const
{
    const VARIANT& argument = at(position);
    switch (V_VT(&argument)) {
    case VT_DISPATCH: value = V_DISPATCH(&argument); return S_OK;
    case VT_EMPTY:
    case VT_NULL: value = nullptr; return S_OK;
    default: return refuse(position);
    }
}

std::string bstr_text(BSTR text)
{
    // Beyond any limit the service object keeps, a longer text is refused
    // all the same; only so much of it is converted.
    constexpr size_t kMaxUnits = size_t{1} << 20;
    return text ? drawers::utf8_of(std::wstring_view(text, std::min<size_t>(SysStringLen(text), kMaxUnits)))
                : std::string();
}

void long_result(VARIANT* result, int32_t value)
{
    if (!result) return;
    VariantInit(result);
    V_VT(result) = VT_I4;
    V_I4(result) = value;
}

HRESULT string_result(VARIANT* result, const std::string& value)
{
    if (!result) return S_OK;
    const std::wstring wide = drawers::utf16_of(value);
    BSTR text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!text) return E_OUTOFMEMORY;
    VariantInit(result);
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = text;
    return S_OK;
}

HRESULT replace_string(BSTR* target, const std::string& value)
{
    const std::wstring wide = drawers::utf16_of(value);
    return SysReAllocStringLen(target, wide.data(), static_cast<UINT>(wide.size())) ? S_OK : E_OUTOFMEMORY;
}

} // namespace kav::opos::win32
