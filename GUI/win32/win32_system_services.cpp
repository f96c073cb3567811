#include "win32_system_services.h"

#include "library_loader.h"

#include <windows.h>

uint32_t Win32SystemServices::system_directory(char* buffer, uint32_t size)
{
    return GetSystemDirectoryA(buffer, size);
}

kav::gui::LibraryHandle Win32SystemServices::load_library(const char* path)
{
    return reinterpret_cast<kav::gui::LibraryHandle>(LoadLibraryA(path));
}

int32_t Win32SystemServices::free_library(kav::gui::LibraryHandle handle)
{
    return FreeLibrary(reinterpret_cast<HMODULE>(handle));
}

kav::drawers::LibraryLoad Win32SystemServices::bind_library(kav::drawers::Library& library)
{
    return kav::drawers::load_library(library);
}

uint32_t Win32SystemServices::profile_string(const char* section, const char* key, const char* default_value,
                                             char* buffer, uint32_t size, const char* path)
{
    return GetPrivateProfileStringA(section, key, default_value, buffer, size, path);
}

bool Win32SystemServices::file_exists(const std::string& path)
{
    // A folder of that name is not the file.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string Win32SystemServices::program_directory()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return ".";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2); // cut short: try a larger buffer
    }
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}
