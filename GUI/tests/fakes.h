// Recording fakes of the system, the library and the main window's view. All
// three write into one call log, so a test sees the order of every call made.
#pragma once
#include "auto_ini.h"
#include "main_window.h"
#include "program_state.h"
#include "recording_library.h"
#include "system_services.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kav::gui::testing {

using drawers::testing::CallLog;
using drawers::testing::FakeLibrary;

// Behaves as the kernel32 calls do with the buffers they are given, and checks
// that the utility calls them the way it must.
class FakeSystem final : public SystemServices {
public:
    explicit FakeSystem(CallLog& log) : log_(log) {}

    std::string system_dir = "C:\\WINDOWS\\system32";
    bool library_loads = true;
    // What binding the library for the run comes to; the test's fake library
    // stands bound already.
    drawers::LibraryLoad binding{drawers::LibraryLoad::Status::Bound, nullptr};
    int32_t free_result = 1;
    std::string program_dir = "C:\\KAV";
    bool ini_exists = true;
    // Raw values by section and key, as the file holds them.
    std::map<std::pair<std::string, std::string>, std::string> ini;

    void set(IniKey key, std::string value) { ini[{key.section, key.key}] = std::move(value); }
    void erase(IniKey key) { ini.erase({key.section, key.key}); }

    uint32_t system_directory(char* buffer, uint32_t size) override
    {
        log_.push_back("GetSystemDirectoryA(" + std::to_string(size) + ")");
        const auto length = static_cast<uint32_t>(system_dir.size());
        if (length + 1 > size) return length + 1;
        std::memcpy(buffer, system_dir.c_str(), length + 1);
        return length;
    }

    LibraryHandle load_library(const char* path) override
    {
        log_.push_back(std::string("LoadLibraryA(") + path + ")");
        return library_loads ? kHandle : kNoLibrary;
    }

    int32_t free_library(LibraryHandle handle) override
    {
        EXPECT_EQ(handle, kHandle) << "frees a handle it did not load";
        log_.push_back("FreeLibrary");
        return free_result;
    }

    drawers::LibraryLoad bind_library(drawers::Library&) override { return binding; }

    uint32_t profile_string(const char* section, const char* key, const char* default_value, char* buffer,
                            uint32_t size, const char* path) override
    {
        log_.push_back(std::string("ini ") + section + "." + key);
        EXPECT_STREQ(default_value, "Default");
        EXPECT_EQ(size, 80u);
        EXPECT_EQ(std::string(path), program_dir + "\\auto.ini");
        EXPECT_TRUE(std::all_of(buffer, buffer + size, [](char c) { return c == ' '; }))
            << "the buffer must hold 80 blanks before the call";
        const auto found = ini.find({section, key});
        const std::string value = found != ini.end() ? found->second : default_value;
        const auto count = static_cast<uint32_t>(std::min<size_t>(value.size(), size - 1));
        std::memcpy(buffer, value.data(), count);
        buffer[count] = '\0';
        return count;
    }

    bool file_exists(const std::string& path) override
    {
        log_.push_back("FileExists(" + path + ")");
        return ini_exists;
    }

    std::string program_directory() override { return program_dir; }

private:
    inline static char module_ = 0;
    inline static const LibraryHandle kHandle = &module_;
    CallLog& log_;
};

class FakeCashView final : public CashView {
public:
    explicit FakeCashView(CallLog& log) : log_(log) {}

    void message(const std::string& text, const std::string& title) override
    {
        log_.push_back("message(" + text + "|" + title + ")");
    }
    void show_dio_address_window() override { log_.push_back("show_dio_address_window"); }
    void show_rs232_window() override { log_.push_back("show_rs232_window"); }
    void show_usb2rs232_window() override { log_.push_back("show_usb2rs232_window"); }
    void show_loop_test() override { log_.push_back("show_loop_test"); }
    void show_about() override { log_.push_back("show_about"); }
    void end_program() override { log_.push_back("end_program"); }

private:
    CallLog& log_;
};

// A main window with all three fakes, as the program's entry point wires it.
struct CashFixture {
    CallLog log;
    FakeSystem system{log};
    FakeLibrary library;
    FakeCashView view{log};
    ProgramState module;
    FormCash form{module, system, view};

    CashFixture() { module.library = library.bind(log); }
};

} // namespace kav::gui::testing
