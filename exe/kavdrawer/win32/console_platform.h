// The console tool's machine: tillio.dll from the system directory (the
// utility's loader), the COM ports, the clock with Ctrl+C, the beep and the
// loop's log file.
#pragma once
#include "commands.h"
#include "console_clock.h"
#include "drawer_access.h"
#include "driver_service.h"
#include "file_log_sink.h"

#include <memory>
#include <optional>

class ConsolePlatform final : public kav::cli::Platform {
public:
    ConsolePlatform();
    kav::cli::Drawers& drawers() override { return starting_; }
    std::vector<kav::cli::ListedDrawer> list() override;
    kav::cli::Clock& clock() override { return clock_; }
    void beep() override;
    std::unique_ptr<kav::cli::DrawerWatch> watch(const kav::cli::Drawer& drawer) override;
    kav::gui::LogSink& log_sink(const std::string& file) override;

    const kav::gui::Library& library() const { return library_; }

private:
    kav::gui::Library library_;
    kav::cli::LibraryDrawers drawers_;
    // Removes the driver's service when the program ends, if this run started it.
    kav::cli::DriverService service_{library_};
    kav::cli::ServiceStartingDrawers starting_{drawers_, service_};
    ConsoleClock clock_;
    // loop without --log: the run's lines go nowhere.
    class NoLog final : public kav::gui::LogSink {
    public:
        std::string local_time() override { return {}; }
        void append(const std::string&) override {}
    } no_log_;
    std::optional<FileLogSink> file_log_;
};

// Writes each line and flushes it, so a script reading a pipe sees every tick
// as it happens.
class StdConsole final : public kav::cli::Console {
public:
    void out(const std::string& line) override;
    void err(const std::string& line) override;
};
