#include "console_platform.h"

#include "com_watch.h"
#include "library_lookup.h"

#include <cstdio>

ConsolePlatform::ConsolePlatform()
    : library_(kav::gui::bind_library_on_first_call(tillio_lookup())), drawers_(library_, read_carrier)
{
}

std::vector<kav::cli::ListedDrawer> ConsolePlatform::list() { return kav::cli::list_drawers(starting_, library_); }

void ConsolePlatform::beep()
{
    // The system's default sound; the speaker's tone where no sound is set.
    if (!MessageBeep(0xFFFFFFFF)) Beep(750, 200);
}

std::unique_ptr<kav::cli::DrawerWatch> ConsolePlatform::watch(const kav::cli::Drawer& drawer)
{
    if (drawer.kind == kav::cli::DrawerKind::Com) return make_com_watch(drawer.number, clock_, clock_.interrupt_event());
    return std::make_unique<kav::cli::PollingWatch>(
        clock_, [this, drawer] { return kav::cli::reading_of(starting_.status(drawer)); });
}

kav::gui::LogSink& ConsolePlatform::log_sink(const std::string& file)
{
    if (file.empty()) return no_log_;
    file_log_.emplace(file);
    return *file_log_;
}

void StdConsole::out(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void StdConsole::err(const std::string& line)
{
    std::fputs((line + "\n").c_str(), stderr);
    std::fflush(stderr);
}
