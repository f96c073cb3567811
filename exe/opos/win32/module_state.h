// What the DLL's entry points share: its module handle, the service object's
// class id, and the counts of live objects and server locks that decide
// whether it may be unloaded.
#pragma once
#include <windows.h>

namespace kav::opos::win32 {

// {E4BFA6F8-33FF-4681-9C87-B84E1A367A69}
inline constexpr CLSID kServiceObjectClsid = {
    0xe4bfa6f8, 0x33ff, 0x4681, {0x9c, 0x87, 0xb8, 0x4e, 0x1a, 0x36, 0x7a, 0x69}};
inline constexpr const wchar_t* kServiceObjectClsidText = L"{E4BFA6F8-33FF-4681-9C87-B84E1A367A69}";
inline constexpr const wchar_t* kServiceObjectProgId = L"KAV.CashDrawer.SO";

HMODULE this_module();
void set_this_module(HMODULE module);

void object_created();
void object_destroyed();
void lock_server(bool lock);
bool can_unload();

} // namespace kav::opos::win32
