// The console's clock and its Ctrl+C: Ctrl+C (or Ctrl+Break, or the console
// closing) sets an event that ends the clock's sleeps, so a wait or a loop
// ends cleanly, with its log line, instead of being killed.
#pragma once
#include "wait_close.h"

#include <windows.h>

class ConsoleClock final : public kav::drawers::Clock {
public:
    // Installs the console control handler; one instance per program.
    ConsoleClock();
    int64_t now_ms() override;
    bool sleep_until(int64_t when_ms) override;
    // Set once the user asked the program to stop.
    HANDLE interrupt_event() const;

private:
    // Used from the main thread only.
    DWORD last_tick_ = 0;
    int64_t wraps_ = 0;
};
