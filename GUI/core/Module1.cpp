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

template <typename Result, typename... Args>
void bind(std::function<Result(Args...)>& entry, const ProcLookup& lookup, const char* name)
{
    const RawProc raw = lookup(name);
    if (!raw) {
        entry = nullptr;
        return;
    }
    // void(*)() is the generic function pointer: casting it back to the
    // export's real type is what GetProcAddress callers always do.
    const auto function = reinterpret_cast<ExportPointer<Result, Args...>>(raw);
    entry = [function](Args... args) { return function(args...); };
}

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

// Every entry of Library with its export name, in one place.
template <typename Binder>
void bind_each(Library& library, Binder&& bind_entry)
{
    bind_entry(library.LoadService, "LoadService");
    bind_entry(library.UnloadService, "UnloadService");
    bind_entry(library.OSVersion, "OSVersion");
    bind_entry(library.DeviceControl, "DeviceControl");
    bind_entry(library.AdvantechGetCashDrawerStatus, "AdvantechGetCashDrawerStatus");
    bind_entry(library.PortwellGetCashDrawerStatus, "PortwellGetCashDrawerStatus");
    bind_entry(library.Bastra8613GetCashDrawerStatus, "Bastra8613GetCashDrawerStatus");
    bind_entry(library.Bastra9613GetCashDrawerStatus, "Bastra9613GetCashDrawerStatus");
    bind_entry(library.IEIGetCashDrawerStatus, "IEIGetCashDrawerStatus");
    bind_entry(library.ThinClientGetCashDrawerStatus, "ThinClientGetCashDrawerStatus");
    bind_entry(library.UsbCashDrawer, "UsbCashDrawer");
    bind_entry(library.UsbCashDrawerStaus, "UsbCashDrawerStaus");
    bind_entry(library.CheckRS232Controller, "CheckRS232Controller");
    bind_entry(library.EnumUsbToComNum, "EnumUsbToComNum");
    bind_entry(library.GetUsbToComToken, "GetUsbToComToken");
    bind_entry(library.StringTrim, "StringTrim");
    bind_entry(library.GetIePath, "GetIePath");
}

} // namespace

Library bind_library(const ProcLookup& lookup)
{
    Library library;
    bind_each(library, [&](auto& entry, const char* name) { bind(entry, lookup, name); });
    return library;
}

Library bind_library_on_first_call(ProcLookup lookup)
{
    const auto shared = std::make_shared<const ProcLookup>(std::move(lookup));
    Library library;
    bind_each(library, [&](auto& entry, const char* name) { bind_on_first_call(entry, shared, name); });
    return library;
}

} // namespace kav::gui
