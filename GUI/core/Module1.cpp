#include "Module1.h"

#include <memory>

namespace kav::gui {
namespace {

// tillio's exports are stdcall; only i686 Windows has a separate convention.
#if defined(_WIN32) && defined(__i386__)
#define KAV_LIBRARY_CALL __attribute__((stdcall))
#else
#define KAV_LIBRARY_CALL
#endif

template <typename Result, typename... Args>
using ExportPointer = Result(KAV_LIBRARY_CALL*)(Args...);

// Resolves the export when it is first called, as a declared DLL function is:
// the library need not be loadable before the program has checked it.
template <typename Result, typename... Args>
void bind_on_first_call(std::function<Result(Args...)>& entry, const std::shared_ptr<const ProcLookup>& lookup,
                        const char* name)
{
    entry = [lookup, name, function = ExportPointer<Result, Args...>{}](Args... args) mutable -> Result {
        if (function == nullptr) function = reinterpret_cast<ExportPointer<Result, Args...>>((*lookup)(name));
        if (function == nullptr) throw std::bad_function_call();
        return function(args...);
    };
}

} // namespace

Library bind_library_on_first_call(ProcLookup lookup)
{
    const auto shared = std::make_shared<const ProcLookup>(std::move(lookup));
    const auto bind = [&shared](auto& entry, const char* name) { bind_on_first_call(entry, shared, name); };
    Library library;
    bind(library.LoadService, "LoadService");
    bind(library.UnloadService, "UnloadService");
    bind(library.OSVersion, "OSVersion");
    bind(library.DeviceControl, "DeviceControl");
    bind(library.AdvantechGetCashDrawerStatus, "AdvantechGetCashDrawerStatus");
    bind(library.PortwellGetCashDrawerStatus, "PortwellGetCashDrawerStatus");
    bind(library.Bastra8613GetCashDrawerStatus, "Bastra8613GetCashDrawerStatus");
    bind(library.Bastra9613GetCashDrawerStatus, "Bastra9613GetCashDrawerStatus");
    bind(library.IEIGetCashDrawerStatus, "IEIGetCashDrawerStatus");
    bind(library.ThinClientGetCashDrawerStatus, "ThinClientGetCashDrawerStatus");
    bind(library.UsbCashDrawer, "UsbCashDrawer");
    bind(library.UsbCashDrawerStaus, "UsbCashDrawerStaus");
    bind(library.CheckRS232Controller, "CheckRS232Controller");
    bind(library.RS232OpenCashDrawer, "RS232OpenCashDrawer");
    bind(library.EnumUsbToComNum, "EnumUsbToComNum");
    bind(library.GetUsbToComToken, "GetUsbToComToken");
    bind(library.StringTrim, "StringTrim");
    bind(library.GetIePath, "GetIePath");
    return library;
}

} // namespace kav::gui
