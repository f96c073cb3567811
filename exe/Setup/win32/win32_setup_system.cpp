#include "win32_setup_system.h"

#include <stdio.h>
#include <string.h>

#include <string>

namespace kav::setup {

Win32SetupSystem::~Win32SetupSystem()
{
    close_log();
    close_key();
}

bool Win32SetupSystem::query(uint32_t* major, uint32_t* minor)
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info; // 148: the record Windows 98 knows
    if (!GetVersionExA(&info)) return false;
    *major = info.dwMajorVersion;
    *minor = info.dwMinorVersion;
    return true;
}

bool Win32SetupSystem::runs_under_wow64()
{
#ifdef _WIN64
    return false;
#else
    // Looked up by name: Windows 98 has no such call and must still start us.
    using IsWow64ProcessCall = BOOL(WINAPI*)(HANDLE, PBOOL);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto is_wow64 = kernel ? reinterpret_cast<IsWow64ProcessCall>(
                                 reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")))
                           : nullptr;
    BOOL wow64 = FALSE;
    return is_wow64 != nullptr && is_wow64(GetCurrentProcess(), &wow64) && wow64;
#endif
}

uint32_t Win32SetupSystem::system_directory(char* buffer, uint32_t size)
{
    return GetSystemDirectoryA(buffer, size);
}

uint32_t Win32SetupSystem::windows_directory(char* buffer, uint32_t size)
{
    return GetWindowsDirectoryA(buffer, size);
}

uint32_t Win32SetupSystem::program_path(char* buffer, uint32_t size)
{
    return GetModuleFileNameA(nullptr, buffer, size);
}

void Win32SetupSystem::print(const char* text)
{
    fputs(text, stdout);
    fflush(stdout);
}

void Win32SetupSystem::wait_for_key()
{
    (void)getchar();
}

bool Win32SetupSystem::create_log(const char* path)
{
    close_log();
    log_ = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return log_ != INVALID_HANDLE_VALUE;
}

bool Win32SetupSystem::write_log(const void* data, size_t size)
{
    DWORD written = 0;
    return log_ != INVALID_HANDLE_VALUE && WriteFile(log_, data, static_cast<DWORD>(size), &written, nullptr) &&
           written == size;
}

void Win32SetupSystem::close_log()
{
    if (log_ == INVALID_HANDLE_VALUE) return;
    CloseHandle(log_);
    log_ = INVALID_HANDLE_VALUE;
}

bool Win32SetupSystem::find_first(const char* pattern, uintptr_t* search)
{
    WIN32_FIND_DATAA found;
    HANDLE handle = FindFirstFileA(pattern, &found);
    if (handle == INVALID_HANDLE_VALUE) return false;
    *search = reinterpret_cast<uintptr_t>(handle);
    return true;
}

bool Win32SetupSystem::find_close(uintptr_t search)
{
    return FindClose(reinterpret_cast<HANDLE>(search)) != FALSE;
}

bool Win32SetupSystem::copy_file(const char* from, const char* to, bool fail_if_exists)
{
    return CopyFileA(from, to, fail_if_exists) != FALSE;
}

bool Win32SetupSystem::set_attributes_normal(const char* path)
{
    return SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) != FALSE;
}

bool Win32SetupSystem::start_process(const char* application, const char* command_line)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    // CreateProcessA may write into the command line: give it a copy.
    std::string line = command_line ? command_line : "";
    BOOL started = CreateProcessA(application, command_line ? line.data() : nullptr, nullptr, nullptr, FALSE, 0,
                                  nullptr, nullptr, &startup, &process);
    if (!started) return false;
    // Not waited for; the handles are ours to give back.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

bool Win32SetupSystem::create_machine_key(const char* subkey)
{
    close_key();
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, subkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, &disposition) != ERROR_SUCCESS) {
        return false;
    }
    key_ = key;
    return true;
}

bool Win32SetupSystem::set_dword_value(const char* name, uint32_t value)
{
    DWORD data = value;
    return RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) ==
           ERROR_SUCCESS;
}

bool Win32SetupSystem::set_string_value(const char* name, const char* text)
{
    return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(strlen(text) + 1)) == ERROR_SUCCESS;
}

void Win32SetupSystem::close_key()
{
    if (key_ == nullptr) return;
    RegCloseKey(key_);
    key_ = nullptr;
}

} // namespace kav::setup
