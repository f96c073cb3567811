// A PrinterPort whose printers are set per COM port: whether the port opens,
// the byte its device answers a status request with (none: silence), and
// whether a kick gets out. Every call is recorded, bytes in hex.
#pragma once
#include "printer_drawer.h"

#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kav::drawers::testing {

class FakePrinterPort final : public PrinterPort {
public:
    struct Device {
        std::optional<uint8_t> answer; // to DLE EOT 1; none: silence
        bool kick_fails = false;       // a write of anything but the status request fails
    };
    // Ports not here do not open.
    std::map<int, Device> devices;
    std::vector<std::string> calls;
    int kicks = 0; // kick writes that got out

    bool open(int port, uint32_t baud) override
    {
        calls.push_back("open COM" + std::to_string(port) + " " + std::to_string(baud));
        if (!devices.contains(port)) return false;
        open_ = port;
        return true;
    }
    bool write(std::span<const uint8_t> bytes) override
    {
        std::string text = "write";
        for (uint8_t byte : bytes) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", byte);
            text += hex;
        }
        calls.push_back(text);
        const bool asks_status = bytes.size() == 3 && bytes[0] == 0x10 && bytes[1] == 0x04 && bytes[2] == 0x01;
        if (asks_status) {
            pending_ = devices.at(open_).answer;
            return true;
        }
        if (devices.at(open_).kick_fails) return false;
        ++kicks;
        return true;
    }
    void discard_input() override
    {
        calls.push_back("discard");
        pending_.reset();
    }
    std::optional<uint8_t> read_byte(uint32_t timeout_ms) override
    {
        calls.push_back("read " + std::to_string(timeout_ms));
        std::optional<uint8_t> byte = pending_;
        pending_.reset();
        return byte;
    }
    void close() override
    {
        calls.push_back("close");
        open_ = 0;
    }

private:
    int open_ = 0;
    std::optional<uint8_t> pending_;
};

} // namespace kav::drawers::testing
