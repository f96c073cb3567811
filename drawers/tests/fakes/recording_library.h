// A Library whose entries record their calls in one call log and answer what
// the test sets; entries a test does not need stay unbound and answer as a
// missing export does. Shared by every front end's tests.
#pragma once
#include "library.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kav::drawers::testing {

using CallLog = std::vector<std::string>;

struct FakeLibrary {
    int32_t os_version = 2000;
    int32_t load_service_result = 0;
    int32_t unload_service_result = 0;
    // What every drawer function (DeviceControl and the six status exports) answers.
    int32_t drawer_result = 0;
    // What UsbCashDrawer and UsbCashDrawerStaus answer.
    int32_t usb_open_result = 1;
    int32_t usb_status_result = 0;

    Library bind(CallLog& log)
    {
        Library library;
        library.LoadService = [this, &log](const char* service, const char* path) {
            log.push_back(std::string("LoadService(") + service + "," + path + ")");
            return load_service_result;
        };
        library.UnloadService = [this, &log](const char* service, int32_t delete_flag) {
            log.push_back(std::string("UnloadService(") + service + "," + std::to_string(delete_flag) + ")");
            return unload_service_result;
        };
        library.OSVersion = [this, &log] {
            log.push_back("OSVersion");
            return os_version;
        };
        const auto drawer = [this, &log](const char* name) {
            return [this, &log, name](const char* device, int32_t number) {
                log.push_back(std::string(name) + "(" + device + "," + std::to_string(number) + ")");
                return drawer_result;
            };
        };
        library.DeviceControl = drawer("DeviceControl");
        library.AdvantechGetCashDrawerStatus = drawer("AdvantechGetCashDrawerStatus");
        library.PortwellGetCashDrawerStatus = drawer("PortwellGetCashDrawerStatus");
        library.Bastra8613GetCashDrawerStatus = drawer("Bastra8613GetCashDrawerStatus");
        library.Bastra9613GetCashDrawerStatus = drawer("Bastra9613GetCashDrawerStatus");
        library.IEIGetCashDrawerStatus = drawer("IEIGetCashDrawerStatus");
        library.ThinClientGetCashDrawerStatus = drawer("ThinClientGetCashDrawerStatus");
        library.UsbCashDrawer = [this, &log](int32_t n) {
            log.push_back("UsbCashDrawer(" + std::to_string(n) + ")");
            return usb_open_result;
        };
        library.UsbCashDrawerStaus = [this, &log](int32_t n) {
            log.push_back("UsbCashDrawerStaus(" + std::to_string(n) + ")");
            return usb_status_result;
        };
        return library;
    }
};

} // namespace kav::drawers::testing
