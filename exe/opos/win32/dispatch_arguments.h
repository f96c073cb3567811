// The arguments of one IDispatch::Invoke as the control object passes them:
// in reverse order (the last parameter is rgvarg[0]), no named arguments,
// LONGs as VT_I4, strings as VT_BSTR, out parameters as exactly
// VT_BYREF|VT_I4 and VT_BYREF|VT_BSTR. By-value arguments of another type are
// converted as OLE Automation converts them; by-reference ones never are.
#pragma once
#include "platform.h"

#include <oaidl.h>

#include <cstdint>
#include <string>

namespace kav::opos::win32 {

class DispatchArguments {
public:
    // arg_error (may be null) receives the rgvarg index of a refused argument.
    DispatchArguments(const DISPPARAMS& parameters, UINT* arg_error)
        : parameters_(parameters), arg_error_(arg_error)
    {
    }

    // DISP_E_BADPARAMCOUNT unless there are exactly count arguments.
    HRESULT expect(UINT count) const;

    // position: the parameter's place in the method's signature, from 0.
    HRESULT long_at(UINT position, int32_t& value) const;
    HRESULT bool_at(UINT position, bool& value) const;
    HRESULT string_at(UINT position, std::string& value) const;
    HRESULT long_ref_at(UINT position, LONG*& value) const;
    HRESULT string_ref_at(UINT position, BSTR*& value) const;
    // Not AddRef'd; null for VT_EMPTY, VT_NULL or a null VT_DISPATCH.
    HRESULT dispatch_at(UINT position, IDispatch*& value) const;

private:
    const VARIANT& at(UINT position) const;
    HRESULT refuse(UINT position) const;
    HRESULT converted(UINT position, VARTYPE type, VARIANT& out) const;

    const DISPPARAMS& parameters_;
    UINT* arg_error_;
};

std::string bstr_text(BSTR text);
// Sets *result (if any) to VT_I4 value.
void long_result(VARIANT* result, int32_t value);
// Sets *result (if any) to a new VT_BSTR; E_OUTOFMEMORY if none could be made.
HRESULT string_result(VARIANT* result, const std::string& value);
// Replaces the caller's string in place; E_OUTOFMEMORY leaves it as it was.
HRESULT replace_string(BSTR* target, const std::string& value);

} // namespace kav::opos::win32
