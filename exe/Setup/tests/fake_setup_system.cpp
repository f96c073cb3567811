#include "fake_setup_system.h"

#include <string.h>

namespace kav::setup::testing {

bool FakeSetupSystem::query(uint32_t* out_major, uint32_t* out_minor)
{
    calls.push_back("GetVersionEx");
    *out_major = major;
    *out_minor = minor;
    return true;
}

bool FakeSetupSystem::runs_under_wow64()
{
    calls.push_back("IsWow64");
    return wow64;
}

uint32_t FakeSetupSystem::directory(const std::string& dir, char* buffer, uint32_t size)
{
    // Win32's rule: the length without the zero, or the size needed.
    if (dir.size() + 1 > size) {
        if (size > 0) buffer[0] = '\0';
        return static_cast<uint32_t>(dir.size() + 1);
    }
    memcpy(buffer, dir.c_str(), dir.size() + 1);
    return static_cast<uint32_t>(dir.size());
}

uint32_t FakeSetupSystem::system_directory(char* buffer, uint32_t size)
{
    calls.push_back("GetSystemDirectory " + std::to_string(size));
    return directory(system_dir, buffer, size);
}

uint32_t FakeSetupSystem::windows_directory(char* buffer, uint32_t size)
{
    calls.push_back("GetWindowsDirectory " + std::to_string(size));
    return directory(windows_dir, buffer, size);
}

uint32_t FakeSetupSystem::program_path(char* buffer, uint32_t size)
{
    calls.push_back("GetModuleFileName " + std::to_string(size));
    // Win32's rule: the path cut to fit returns the size; no path, 0.
    const size_t copied = program.size() < size ? program.size() : size - 1;
    memcpy(buffer, program.c_str(), copied);
    buffer[copied] = '\0';
    return program.size() < size ? static_cast<uint32_t>(program.size()) : size;
}

void FakeSetupSystem::print(const char* text)
{
    calls.push_back(std::string("print ") + text);
    console += text;
}

void FakeSetupSystem::wait_for_key()
{
    calls.push_back("wait for key");
    ++keys_read;
}

bool FakeSetupSystem::create_log(const char* path)
{
    calls.push_back(std::string("CreateFile ") + path);
    if (!log_opens) return false;
    log.clear();
    log_open = true;
    return true;
}

bool FakeSetupSystem::write_log(const void* data, size_t size)
{
    if (!log_open) {
        calls.push_back("WriteFile on a closed log");
        return false;
    }
    log.append(static_cast<const char*>(data), size);
    return true;
}

void FakeSetupSystem::close_log()
{
    calls.push_back(log_open ? "CloseHandle log" : "CloseHandle on a closed log");
    log_open = false;
}

bool FakeSetupSystem::find_first(const char* pattern, uintptr_t* search)
{
    calls.push_back(std::string("FindFirstFile ") + pattern);
    if (files.count(pattern) == 0) return false;
    searches_.push_back(pattern);
    *search = searches_.size();
    return true;
}

bool FakeSetupSystem::find_close(uintptr_t search)
{
    const std::string& pattern = searches_.at(search - 1);
    calls.push_back("FindClose " + pattern);
    return failing_close.count(pattern) == 0;
}

bool FakeSetupSystem::copy_file(const char* from, const char* to, bool fail_if_exists)
{
    calls.push_back(std::string("CopyFile ") + from + " -> " + to + (fail_if_exists ? " no overwrite" : " overwrite"));
    if (failing_copy.count(to) != 0 || files.count(from) == 0) return false;
    if (read_only.count(to) != 0) return false;
    if (fail_if_exists && files.count(to) != 0) return false;
    files.insert(to);
    return true;
}

bool FakeSetupSystem::set_attributes_normal(const char* path)
{
    calls.push_back(std::string("SetFileAttributes normal ") + path);
    if (++attributes_calls_ == failing_attributes_call) return false;
    if (files.count(path) == 0) return false;
    read_only.erase(path);
    return true;
}

bool FakeSetupSystem::start_process(const char* application, const char* command_line)
{
    calls.push_back(std::string("CreateProcess ") + (application ? application : "(none)") + " | " +
                    (command_line ? command_line : "(none)"));
    return application == nullptr || unstartable.count(application) == 0;
}

bool FakeSetupSystem::create_machine_key(const char* subkey)
{
    calls.push_back(std::string("RegCreateKey HKLM\\") + subkey);
    return key_opens;
}

bool FakeSetupSystem::set_dword_value(const char* name, uint32_t value)
{
    calls.push_back(std::string("RegSetValue ") + name);
    if (failing_value == name) return false;
    registry[name] = "dword:" + std::to_string(value);
    return true;
}

bool FakeSetupSystem::set_string_value(const char* name, const char* text)
{
    calls.push_back(std::string("RegSetValue ") + name);
    if (failing_value == name) return false;
    registry[name] = std::string("text:") + text;
    return true;
}

void FakeSetupSystem::close_key()
{
    calls.push_back("RegCloseKey");
}

} // namespace kav::setup::testing
