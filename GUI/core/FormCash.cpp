#include "FormCash.h"

#include "auto_ini.h"
#include "board_commands.h"
#include "number_rules.h"
#include "os_version.h"
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

FormCash::FormCash(Module1& module, SystemServices& system, CashView& view)
    : module_(module), system_(system), view_(view)
{
}

StartupResult FormCash::startup()
{
    module_.DioBaseAddress = kDefaultDioBaseAddress;

    if (!CheckLibrary(kLibraryFile)) return {StartupOutcome::Ended, {}};

    if (module_.library.OSVersion() == tillio::kWindows2000) {
        if (module_.library.LoadService(kServiceName, kDriverImagePath) != 0)
            return fail_and_close("Load Driver Failed");
    }

    const std::string path = auto_ini_path(system_);
    if (!system_.file_exists(path)) return fail_and_close("auto.ini file not found");

    if (read_ini_value(system_, path, kAutoKey) != "1") return {StartupOutcome::Interactive, {}};

    // Unattended: each value is read only once the one before it has passed.
    UnattendedSettings settings;
    settings.MB = read_ini_value(system_, path, kBoardKey);
    if (!is_one_of(settings.MB, kBoardTypes)) return fail_and_close("auto.ini Error 1");

    settings.LT = read_ini_value(system_, path, kLoopTypeKey);
    if (!is_one_of(settings.LT, kLoopTypes)) return fail_and_close("auto.ini Error 2");

    settings.Interval = read_ini_value(system_, path, kIntervalKey);
    const double interval = leading_number(settings.Interval);
    if (interval < 1 || interval > 10) return fail_and_close("auto.ini Error 3");

    settings.Count_Time = read_ini_value(system_, path, kCountTimeKey);
    if (settings.Count_Time.empty() || leading_number(settings.Count_Time) == 0)
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
    // Result ignored: harmless when the service never started or is gone.
    module_.library.UnloadService(kServiceName, kDeleteService);
}

void FormCash::on_command(Command command)
{
    if (const BoardCommand* board = find_board_command(command)) {
        run_board_command(*board, module_, view_);
        return;
    }
    if (const std::optional<UsbCommand> usb = find_usb_command(command)) {
        run_usb_command(*usb, module_, view_);
        return;
    }
    switch (command) {
    case Command::exit:
        module_.library.UnloadService(kServiceName, kDeleteService);
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
