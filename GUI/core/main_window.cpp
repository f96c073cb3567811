#include "main_window.h"

#include "auto_ini.h"
#include "board_commands.h"
#include "driver_service.h"
#include "loop_rules.h"
#include "number_rules.h"
#include "usb_commands.h"

#include <algorithm>

namespace kav::gui {
namespace {

constexpr uint32_t kSystemDirectoryBufferSize = 80;

template <size_t N>
bool is_one_of(const std::string& value, const std::array<std::string_view, N>& accepted)
{
    return std::find(accepted.begin(), accepted.end(), value) != accepted.end();
}

} // namespace

FormCash::FormCash(ProgramState& state, SystemServices& system, CashView& view)
    : state_(state), system_(system), view_(view)
{
}

StartupResult FormCash::startup()
{
    state_.DioBaseAddress = drawers::kDefaultDioBaseAddress;

    if (!CheckLibrary(drawers::kLibraryFile)) return {StartupOutcome::Ended, {}};
    if (!bind_library(drawers::kLibraryFile)) return {StartupOutcome::Ended, {}};

    if (drawers::driver_runs_as_service(state_.library)) {
        if (drawers::start_driver_service(state_.library) != 0) return fail_and_close("Load Driver Failed");
    }

    const std::string path = auto_ini_path(system_);
    if (!system_.file_exists(path)) return fail_and_close("auto.ini file not found");

    if (read_ini_value(system_, path, kAutoKey) != "1") return {StartupOutcome::Interactive, {}};

    // Unattended: each value is read only once the one before it has passed.
    UnattendedSettings settings;
    settings.MB = read_ini_value(system_, path, kBoardKey);
    if (!is_one_of(settings.MB, drawers::kBoardTypes)) return fail_and_close("auto.ini Error 1");

    settings.LT = read_ini_value(system_, path, kLoopTypeKey);
    if (!is_one_of(settings.LT, drawers::kLoopTypes)) return fail_and_close("auto.ini Error 2");

    settings.Interval = read_ini_value(system_, path, kIntervalKey);
    const double interval = drawers::leading_number(settings.Interval);
    if (interval < 1 || interval > 10) return fail_and_close("auto.ini Error 3");

    settings.Count_Time = read_ini_value(system_, path, kCountTimeKey);
    if (settings.Count_Time.empty() || drawers::leading_number(settings.Count_Time) == 0)
        return fail_and_close("auto.ini Error 4");

    return {StartupOutcome::Unattended, settings};
}

bool FormCash::CheckLibrary(const std::string& library_file)
{
    std::string directory(kSystemDirectoryBufferSize, ' ');
    const uint32_t length = system_.system_directory(directory.data(), kSystemDirectoryBufferSize);
    directory.resize(std::min(length, kSystemDirectoryBufferSize));

    const LibraryHandle handle = system_.load_library((directory + "\\" + library_file).c_str());
    if (handle == kNoLibrary) {
        view_.message(library_file + " Load Failed.", kTitleError);
        return false;
    }
    // FreeLibrary's result is read as a 16-bit truth value.
    if (static_cast<int16_t>(system_.free_library(handle)) == 0) {
        view_.message("Free " + library_file + "Failed.", kTitleError);
        return false;
    }
    return true;
}

bool FormCash::bind_library(const std::string& library_file)
{
    // Every export is bound now, once: a library that lacks one ends the
    // program here, never in the middle of a command.
    const drawers::LibraryLoad load = system_.bind_library(state_.library);
    if (load.bound()) return true;
    view_.message(load.status == drawers::LibraryLoad::Status::NotLoaded ? library_file + " Load Failed."
                                                                           : kMissingExportMessage,
                  kTitleError);
    return false;
}

StartupResult FormCash::fail_and_close(const std::string& text)
{
    view_.message(text, kTitleError);
    closing();
    return {StartupOutcome::Ended, {}};
}

void FormCash::closing()
{
    if (closed_) return;
    closed_ = true;
    // Harmless when the service never started or is gone.
    drawers::remove_driver_service(state_.library);
}

void FormCash::on_command(Command command)
{
    if (const std::optional<BoardCommand> board = find_board_command(command)) {
        run_board_command(*board, state_, view_);
        return;
    }
    if (const std::optional<UsbCommand> usb = find_usb_command(command)) {
        run_usb_command(*usb, state_.library, view_);
        return;
    }
    switch (command) {
    case Command::exit:
        drawers::remove_driver_service(state_.library);
        closing();
        view_.end_program();
        break;
    case Command::ThinClientDIOAddress:
        view_.show_dio_address_window();
        break;
    case Command::RS232CashDrawerOpenStatus:
        view_.show_rs232_window();
        break;
    case Command::USB2RS232OpenStatus:
        view_.show_usb2rs232_window();
        break;
    case Command::Looptest:
        view_.show_loop_test();
        break;
    case Command::About:
        view_.show_about();
        break;
    default:
        break;
    }
}

void FormCash::on_toolbar_click(int16_t index)
{
    for (const ToolbarButton& button : toolbar_buttons())
        if (button.index == index) on_command(button.same_as);
}

void FormCash::RunAutoLoopTest()
{
    view_.show_loop_test();
    closing();
}

void FormCash::on_close_box()
{
    closing();
    view_.end_program();
}

} // namespace kav::gui
