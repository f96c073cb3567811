// The DLL's four exports, as COM and regsvr32 call them.
#include "class_factory.h"
#include "module_state.h"
#include "server_registration.h"

#include <windows.h>

using namespace kav::opos::win32;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) set_this_module(instance);
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, kServiceObjectClsid)) return CLASS_E_CLASSNOTAVAILABLE;
    return class_factory().QueryInterface(riid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return can_unload() ? S_OK : S_FALSE;
}

// regsvr32 and installers call these: nothing may leave them but an HRESULT.
extern "C" HRESULT STDAPICALLTYPE DllRegisterServer()
{
    try {
        return register_server();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    try {
        return unregister_server();
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}
