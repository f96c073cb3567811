#include "library.h"

namespace kav::drawers {
namespace {

template <typename Result, typename... Args>
bool bind_entry(LibraryEntry<Result(Args...)>& entry, const ProcLookup& lookup)
{
    using Export = Result(TILLIO_CALL*)(Args...);
    const RawProc proc = lookup(entry.name());
    if (proc == nullptr) return false;
    const auto function = reinterpret_cast<Export>(proc);
    entry = [function](Args... args) { return function(args...); };
    return true;
}

} // namespace

Binding bind_library(Library& library, const ProcLookup& lookup)
{
    Library bound;
#define KAV_DRAWERS_BIND(result, export_name, parameters, absent) \
    if (!bind_entry(bound.export_name, lookup)) return Binding{bound.export_name.name()};
    TILLIO_EXPORTS(KAV_DRAWERS_BIND)
#undef KAV_DRAWERS_BIND
    library = std::move(bound);
    return Binding{};
}

} // namespace kav::drawers
