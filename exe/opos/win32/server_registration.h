// What regsvr32 writes and removes: the class id with its in-process server
// and threading model, and the ProgID the logical devices name.
//
// ThreadingModel "Apartment": the control object is an apartment-threaded
// control and calls the service object only from its own thread, so the
// service object is created in that apartment and reached by a direct
// pointer, with no proxy (which would need marshalling of every call). Our own
// threads never call into the service object through COM; they reach the
// control object through the pointer it gave us, which it accepts from any
// thread.
#pragma once
#include <windows.h>

namespace kav::opos::win32 {

HRESULT register_server();
// Removes our class id, and the ProgID only while it still names our class.
HRESULT unregister_server();

} // namespace kav::opos::win32
