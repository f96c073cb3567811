// The console tool's machine: tillio.dll from the system directory (the
// drawer library's loader), the COM ports (receipt printers' among them), the
// clock with Ctrl+C, the beep and the loop's log file.
#pragma once
#include "commands.h"
#include "console_clock.h"
#include "driver_service.h"
#include "file_log_sink.h"
#include "library.h"
#include "printer_com_port.h"

#include <memory>
#include <optional>

class ConsolePlatform final : public kav::cli::Platform {
public:
    ConsolePlatform();
    // Loads and binds tillio.dll; every command but help needs it.
    kav::drawers::LibraryLoad load();

    kav::drawers::Drawers& drawers() override { return starting_; }
    std::vector<kav::drawers::ListedDrawer> list() override;
    kav::drawers::Clock& clock() override { return clock_; }
    void beep() override;
    std::unique_ptr<kav::drawers::DrawerWatch> watch(const kav::drawers::DrawerAddress& drawer) override;
    kav::drawers::LogSink& log_sink(const std::string& file) override;

    const kav::drawers::Library& library() const { return library_; }

private:
    kav::drawers::Library library_;
    kav::drawers::PrinterComPort printer_port_;
    kav::drawers::LibraryDrawers drawers_;
    // Removes the driver's service when the program ends, if this run started it.
    kav::drawers::DriverService service_{library_, kav::drawers::DriverService::AtEnd::Remove};
    kav::drawers::ServiceStartingDrawers starting_{drawers_, service_};
    ConsoleClock clock_;
    // loop without --log: the run's lines go nowhere.
    class NoLog final : public kav::drawers::LogSink {
    public:
        std::string local_time() override { return {}; }
        void append(const std::string&) override {}
    } no_log_;
    std::optional<kav::drawers::FileLogSink> file_log_;
};

// Writes each line and flushes it, so a script reading a pipe sees every tick
// as it happens. The lines come in UTF-8; JSON goes out so, for a strict
// parser, and lines for people in the ANSI code page, as a console tool's do.
class StdConsole final : public kav::cli::Console {
public:
    explicit StdConsole(bool json) : json_(json) {}
    void out(const std::string& line) override;
    void err(const std::string& line) override;

private:
    bool json_;
};
