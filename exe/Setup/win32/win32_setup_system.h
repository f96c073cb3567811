// The installer's system interface over Win32: each call is one API call.
#pragma once
#include <windows.h>

#include "setup_system.h"

namespace kav::setup {

class Win32SetupSystem final : public SetupSystem {
public:
    Win32SetupSystem() = default;
    Win32SetupSystem(const Win32SetupSystem&) = delete;
    Win32SetupSystem& operator=(const Win32SetupSystem&) = delete;
    ~Win32SetupSystem();

    bool query(uint32_t* major, uint32_t* minor) override;
    bool runs_under_wow64() override;
    uint32_t system_directory(char* buffer, uint32_t size) override;
    uint32_t windows_directory(char* buffer, uint32_t size) override;
    uint32_t program_path(char* buffer, uint32_t size) override;
    void print(const char* text) override;
    void wait_for_key() override;
    bool create_log(const char* path) override;
    bool write_log(const void* data, size_t size) override;
    void close_log() override;
    bool find_first(const char* pattern, uintptr_t* search) override;
    bool find_close(uintptr_t search) override;
    bool copy_file(const char* from, const char* to, bool fail_if_exists) override;
    bool set_attributes_normal(const char* path) override;
    bool start_process(const char* application, const char* command_line) override;
    bool create_machine_key(const char* subkey) override;
    bool set_dword_value(const char* name, uint32_t value) override;
    bool set_string_value(const char* name, const char* text) override;
    void close_key() override;

private:
    HANDLE log_ = INVALID_HANDLE_VALUE;
    HKEY key_ = nullptr;
};

} // namespace kav::setup
