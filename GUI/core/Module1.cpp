#include "Module1.h"

namespace kav::gui {
namespace {

// tillio's exports are stdcall; only i686 Windows has a separate convention.
#if defined(_WIN32) && defined(__i386__)
#define KAV_LIBRARY_CALL __attribute__((stdcall))
#else
#define KAV_LIBRARY_CALL
#endif

template <typename Result, typename... Args>
void bind(std::function<Result(Args...)>& entry, const ProcLookup& lookup, const char* name)
{
    using Export = Result(KAV_LIBRARY_CALL*)(Args...);
    const RawProc raw = lookup(name);
    if (!raw) {
        entry = nullptr;
        return;
    }
    // void(*)() is the generic function pointer: casting it back to the
    // export's real type is what GetProcAddress callers always do.
    const auto function = reinterpret_cast<Export>(raw);
    entry = [function](Args... args) { return function(args...); };
}

} // namespace

Library bind_library(const ProcLookup& lookup)
{
    Library library;
    bind(library.LoadService, lookup, "LoadService");
    bind(library.UnloadService, lookup, "UnloadService");
    bind(library.OSVersion, lookup, "OSVersion");
    bind(library.DeviceControl, lookup, "DeviceControl");
    bind(library.AdvantechGetCashDrawerStatus, lookup, "AdvantechGetCashDrawerStatus");
    bind(library.PortwellGetCashDrawerStatus, lookup, "PortwellGetCashDrawerStatus");
    bind(library.Bastra8613GetCashDrawerStatus, lookup, "Bastra8613GetCashDrawerStatus");
    bind(library.Bastra9613GetCashDrawerStatus, lookup, "Bastra9613GetCashDrawerStatus");
    bind(library.IEIGetCashDrawerStatus, lookup, "IEIGetCashDrawerStatus");
    bind(library.ThinClientGetCashDrawerStatus, lookup, "ThinClientGetCashDrawerStatus");
    bind(library.UsbCashDrawer, lookup, "UsbCashDrawer");
    bind(library.UsbCashDrawerStaus, lookup, "UsbCashDrawerStaus");
    bind(library.CheckRS232Controller, lookup, "CheckRS232Controller");
    bind(library.EnumUsbToComNum, lookup, "EnumUsbToComNum");
    bind(library.GetUsbToComToken, lookup, "GetUsbToComToken");
    bind(library.StringTrim, lookup, "StringTrim");
    bind(library.GetIePath, lookup, "GetIePath");
    return library;
}

} // namespace kav::gui
