// A system for the installer's tests: files, console, log and registry in
// memory, every call recorded in order.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "setup_system.h"

namespace kav::setup::testing {

class FakeSetupSystem final : public SetupSystem {
public:
    // What the system is like; tests change these before the run.
    uint32_t major = 5;
    uint32_t minor = 1;
    bool wow64 = false;
    std::string system_dir = "C:\\WINDOWS\\system32";
    std::string windows_dir = "C:\\WINDOWS";
    std::string program = "D:\\media\\setup.exe"; // its own path ("": none); its folder is the media
    std::set<std::string> files = {"D:\\media\\sys\\KAV_cash.sys", "D:\\media\\GUI\\setup.exe"};
    std::set<std::string> read_only;
    bool log_opens = true;
    std::set<std::string> failing_close;      // patterns whose search does not close
    std::set<std::string> failing_copy;       // targets
    int failing_attributes_call = 0;          // 1-based; 0: none fails
    bool key_opens = true;
    std::string failing_value;                // registry value name
    std::set<std::string> unstartable;        // applications that do not start

    // What happened.
    std::vector<std::string> calls;
    std::string console;
    std::string log;            // bytes written since the log was created
    bool log_open = false;
    int keys_read = 0;
    std::map<std::string, std::string> registry; // value name -> "dword:N" / "text:..."

    bool query(uint32_t* out_major, uint32_t* out_minor) override;
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
    uint32_t directory(const std::string& dir, char* buffer, uint32_t size);
    std::vector<std::string> searches_;
    int attributes_calls_ = 0;
};

} // namespace kav::setup::testing
