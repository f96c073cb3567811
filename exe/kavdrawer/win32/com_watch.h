// wait-close's watch of a serial drawer: it learns each change of the port's
// carrier-detect line from the drawer library's carrier watch (no polling),
// and needs no window.
#pragma once
#include "wait_close.h"

#include <windows.h>

#include <memory>

// interrupt: the event Ctrl+C sets.
std::unique_ptr<kav::drawers::DrawerWatch> make_com_watch(int port, kav::drawers::Clock& clock, HANDLE interrupt);
