// tillio.dll as the drawer library calls it: one entry per export, named as
// the export, bound all at once when the library is loaded. A call through an
// entry never throws: an entry with nothing bound (a fake that leaves it out)
// answers what the export's list says a missing export counts as.
#pragma once
#include "tillio.h"

#include <functional>
#include <utility>

namespace kav::drawers {

template <typename Signature>
class LibraryEntry;

template <typename Result, typename... Args>
class LibraryEntry<Result(Args...)> {
public:
    using Function = std::function<Result(Args...)>;

    LibraryEntry(const char* name, Result absent) : name_(name), absent_(absent) {}

    // Binds the entry: to the export at load, or to a test's fake.
    LibraryEntry& operator=(Function function)
    {
        function_ = std::move(function);
        return *this;
    }

    Result operator()(Args... args) const noexcept { return function_ ? function_(args...) : absent_; }

    // The export's name, as the library exports it.
    const char* name() const noexcept { return name_; }
    bool bound() const noexcept { return static_cast<bool>(function_); }

private:
    const char* name_;
    Result absent_;
    Function function_;
};

// Every export of tillio.dll, from its header's list.
struct Library {
#define KAV_DRAWERS_LIBRARY_ENTRY(result, name, parameters, absent) LibraryEntry<result parameters> name{#name, absent};
    TILLIO_EXPORTS(KAV_DRAWERS_LIBRARY_ENTRY)
#undef KAV_DRAWERS_LIBRARY_ENTRY
};

// A function's address as the platform hands it out (GetProcAddress), before
// it is given its type; null when the name is not exported.
using RawProc = void (*)();
using ProcLookup = std::function<RawProc(const char* export_name)>;

// The outcome of binding: nothing missing, or the first export the library
// lacks (its name as the library would export it).
struct Binding {
    const char* missing = nullptr;
    bool complete() const { return missing == nullptr; }
};

// Looks every export up once, now, with the library's calling convention.
// All or nothing: library is changed only when every export was found.
Binding bind_library(Library& library, const ProcLookup& lookup);

inline constexpr const char* kLibraryFile = "tillio.dll";

// What loading tillio.dll for a program's run came to.
struct LibraryLoad {
    enum class Status {
        Bound,         // every export is bound
        NotLoaded,     // no tillio.dll in the system directory, or it would not load
        MissingExport, // it loaded but lacks `missing`
    };
    Status status = Status::NotLoaded;
    const char* missing = nullptr;

    bool bound() const { return status == Status::Bound; }
};

} // namespace kav::drawers
