// What the utility holds for the whole run: the DIO base address the user
// picked and its binding to tillio.dll. One instance, owned by the program's
// entry point and shared by reference with every window.
#pragma once
#include "catalogue.h"
#include "library.h"

#include <cstdint>

namespace kav::gui {

using drawers::Library;

struct ProgramState {
    // Base I/O address of the thin-client and VOLX-8623 DIO port. Start-up
    // sets it, the DIO address window's OK changes it; never saved.
    int32_t DioBaseAddress = drawers::kDefaultDioBaseAddress;
    // Bound by start-up once the library has been checked.
    Library library;
};

} // namespace kav::gui
