// Entry points of tillio.dll for driver service control and the small
// utilities: wiring only; the behaviour is in core/.
#include "tillio.h"

#include "browser_path.h"
#include "os_version.h"
#include "service_control.h"
#include "string_trim.h"
#include "win32_file_finder.h"
#include "win32_service_manager.h"
#include "win32_version_query.h"

extern "C" {

int TILLIO_CALL LoadService(const char* serviceName, const char* driverPath)
{
    kav::tillio::Win32ServiceManager manager;
    return static_cast<int>(kav::tillio::load_service(manager, serviceName, driverPath));
}

int TILLIO_CALL UnloadService(const char* serviceName, int deleteService)
{
    kav::tillio::Win32ServiceManager manager;
    return static_cast<int>(kav::tillio::unload_service(manager, serviceName, deleteService != 0));
}

int TILLIO_CALL OSVersion()
{
    kav::tillio::Win32VersionQuery version;
    return kav::tillio::os_version(version);
}

int TILLIO_CALL GetIePath(char* commandLine)
{
    kav::tillio::Win32FileFinder finder;
    return kav::tillio::browser_command(finder, commandLine);
}

int TILLIO_CALL StringTrim(char* text, const char* trimChars)
{
    return kav::tillio::trim_chars(text, trimChars) ? 1 : 0;
}

} // extern "C"
