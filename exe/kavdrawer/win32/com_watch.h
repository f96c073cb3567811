// A serial drawer's line from the console: its carrier-detect state read
// once, and wait-close's watch, which learns each change from the watched
// serial port's carrier-detect events (no polling).
#pragma once
#include "wait_close.h"

#include <windows.h>

#include <memory>
#include <optional>

// High while the drawer is closed; nothing when the port did not open.
std::optional<bool> read_carrier(int port);

// interrupt: the event Ctrl+C sets.
std::unique_ptr<kav::cli::DrawerWatch> make_com_watch(int port, kav::cli::Clock& clock, HANDLE interrupt);
