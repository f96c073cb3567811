// The start-up's system calls, each forwarded to kernel32.
#pragma once
#include "system_services.h"

class Win32SystemServices final : public kav::gui::SystemServices {
public:
    uint32_t system_directory(char* buffer, uint32_t size) override;
    kav::gui::LibraryHandle load_library(const char* path) override;
    int32_t free_library(kav::gui::LibraryHandle handle) override;
    kav::drawers::LibraryLoad bind_library(kav::drawers::Library& library) override;
    uint32_t profile_string(const char* section, const char* key, const char* default_value, char* buffer,
                            uint32_t size, const char* path) override;
    bool file_exists(const std::string& path) override;
    std::string program_directory() override;
};
