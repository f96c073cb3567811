#include "console_platform.h"

#include "com_port.h"
#include "com_watch.h"
#include "library_loader.h"
#include "system_text.h"

#include <cstdio>

ConsolePlatform::ConsolePlatform() : drawers_(library_, kav::drawers::read_carrier, &printer_port_) {}

kav::drawers::LibraryLoad ConsolePlatform::load() { return kav::drawers::load_library(library_); }

std::vector<kav::drawers::ListedDrawer> ConsolePlatform::list()
{
    return kav::drawers::list_drawers(starting_, library_);
}

void ConsolePlatform::beep()
{
    // The system's default sound; the speaker's tone where no sound is set.
    if (!MessageBeep(0xFFFFFFFF)) Beep(750, 200);
}

std::unique_ptr<kav::drawers::DrawerWatch> ConsolePlatform::watch(const kav::drawers::DrawerAddress& drawer)
{
    if (drawer.kind == kav::drawers::DrawerKind::Com || drawer.kind == kav::drawers::DrawerKind::UsbToCom)
        return make_com_watch(drawer.number, clock_, clock_.interrupt_event());
    return std::make_unique<kav::drawers::PollingWatch>(
        clock_, [this, drawer] { return kav::drawers::reading_of(starting_.status(drawer)); });
}

kav::drawers::LogSink& ConsolePlatform::log_sink(const std::string& file)
{
    if (file.empty()) return no_log_;
    file_log_.emplace(file, kav::drawers::PathText::Utf8);
    return *file_log_;
}

void StdConsole::out(const std::string& line)
{
    std::fputs(((json_ ? line : kav::drawers::ansi_of(line)) + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void StdConsole::err(const std::string& line)
{
    std::fputs((kav::drawers::ansi_of(line) + "\n").c_str(), stderr);
    std::fflush(stderr);
}
