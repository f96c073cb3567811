// The service object as the control object reaches it: an IDispatch whose
// GetIDsOfNames knows the 18 method names of the CashDrawer service object
// (with the older Close, Claim and Release) and GetOpenResult, and whose
// Invoke turns each DISPATCH_METHOD call into one call of the core. Every
// result is a VT_I4 (GetPropertyString's a VT_BSTR); no exception leaves it.
#pragma once
#include "service_object.h"
#include "win32_drawer_ports.h"
#include "win32_platform.h"

#include <oaidl.h>

namespace kav::opos::win32 {

class DispatchArguments;

class ServiceObjectDispatch final : public IDispatch {
public:
    ServiceObjectDispatch();
    ~ServiceObjectDispatch();
    ServiceObjectDispatch(const ServiceObjectDispatch&) = delete;
    ServiceObjectDispatch& operator=(const ServiceObjectDispatch&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID locale, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT* arg_error) override;

private:
    HRESULT call(DISPID member, const DispatchArguments& arguments, VARIANT* result);
    HRESULT call_statistics(DISPID member, const DispatchArguments& arguments, VARIANT* result);

    volatile LONG references_ = 1;
    // The drawers, through the drawer library; made before the service object
    // and gone after it, as the ports it holds come from here.
    Win32DrawerPorts drawers_;
    Win32Platform platform_{drawers_};
    ServiceObject service_object_{platform_};
};

} // namespace kav::opos::win32
