// Started by the service_exports Wine test as a program of its own, so that
// Wine can be told (AppDefaults) to report another version of Windows to it.
// Prints "<major>.<minor> <OSVersion()>" and exits 0; 1 if tillio.dll or its
// export is missing, 2 if the system will not tell its version.
#include <windows.h>

#include <cstdio>

int main()
{
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return 2;
#pragma GCC diagnostic pop

    HMODULE tillio = LoadLibraryA("tillio.dll");
    if (tillio == nullptr) return 1;
    using OsVersionFn = int(__stdcall*)();
    auto os_version = reinterpret_cast<OsVersionFn>(reinterpret_cast<void*>(GetProcAddress(tillio, "OSVersion")));
    if (os_version == nullptr) return 1;

    std::printf("%lu.%lu %d\n", static_cast<unsigned long>(info.dwMajorVersion),
                static_cast<unsigned long>(info.dwMinorVersion), os_version());
    std::fflush(stdout);
    FreeLibrary(tillio);
    return 0;
}
