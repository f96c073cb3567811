#include "class_factory.h"

#include "module_state.h"
#include "service_object_dispatch.h"

#include <new>

namespace kav::opos::win32 {

HRESULT ClassFactory::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
        auto* created = new ServiceObjectDispatch();
        const HRESULT hr = created->QueryInterface(riid, object);
        created->Release();
        return hr;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

HRESULT ClassFactory::LockServer(BOOL lock)
{
    lock_server(lock != FALSE);
    return S_OK;
}

ClassFactory& class_factory()
{
    static ClassFactory factory;
    return factory;
}

} // namespace kav::opos::win32
