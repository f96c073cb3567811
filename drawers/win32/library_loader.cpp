#include "library_loader.h"

#include <windows.h>

#include <string>

namespace kav::drawers {
namespace {

std::string system_library_path()
{
    char directory[MAX_PATH];
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::string(directory, length) + "\\" + kLibraryFile;
}

} // namespace

LibraryLoad load_library(Library& library)
{
    const std::string path = system_library_path();
    const HMODULE module = path.empty() ? nullptr : LoadLibraryA(path.c_str());
    if (module == nullptr) return {LibraryLoad::Status::NotLoaded, nullptr};
    const Binding binding = bind_library(library, [module](const char* name) {
        return reinterpret_cast<RawProc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    });
    if (!binding.complete()) {
        FreeLibrary(module);
        return {LibraryLoad::Status::MissingExport, binding.missing};
    }
    return {LibraryLoad::Status::Bound, nullptr};
}

} // namespace kav::drawers
