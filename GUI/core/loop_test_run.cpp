// The loop test's tick and the end of a run: the loop-test window's other half.
#include "loop_test_window.h"

#include "adapter_ports.h"
#include "auto_ini.h"
#include "catalogue.h"
#include "com_port_scan.h"
#include "kav_cash_device.h"
#include "result_messages.h"

namespace kav::gui {
namespace {

using C = SettingControl;

// The loop test's caption of a kind on no board.
bool is_kind(const std::string& board, drawers::DrawerKind kind)
{
    return board == drawers::numbered_kind(kind)->caption;
}

} // namespace

void FormSetting::Timer_Timer()
{
    if (in_tick_ || closed_) return;
    in_tick_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{in_tick_};

    ++LoopCount_;
    if (LoopCount_ > LoopTotal_) {
        view_.message("Keyin Error", kTitleError);
        view_.stop_timer();
        enable_settings(true);
        view_.set_text(C::txtnumtime, "");
        LoopCount_ = 0;
        log_.ended("Keyin Error");
        return;
    }

    const std::string board = view_.text(C::ComboMB);
    std::string what;
    if (!drawer_action(board, what)) return;
    log_.tick(LoopCount_, board, what);
    add_progress_lines();
    if (LoopCount_ == LoopTotal_) end_of_run();
}

bool FormSetting::drawer_action(const std::string& board, std::string& what)
{
    // A board's tick opens its drawer 1; a DIO board's number is taken from
    // DioBaseAddress at the moment of the tick.
    const Library& library = state_.library;
    if (const drawers::Board* entry = drawers::board_by_caption(board)) {
        const int32_t number = drawers::command_number(entry->open[0], state_.DioBaseAddress);
        const int32_t result = library.DeviceControl(kDevicePath, number);
        what = drawers::call_text(library.DeviceControl.name(), number, result);
        if (const char* failure = drawers::device_control_failure(result)) {
            stop_run_and_close(failure);
            return false;
        }
        return true;
    }
    if (is_kind(board, drawers::DrawerKind::Usb)) {
        const int32_t result = library.UsbCashDrawer(1);
        what = drawers::call_text(library.UsbCashDrawer.name(), 1, result);
        if (result == 0) {
            stop_run_and_close(drawers::kUsbOpenFailed);
            return false;
        }
        return true;
    }
    const bool rs232 = is_kind(board, drawers::DrawerKind::Com);
    if (rs232 || is_kind(board, drawers::DrawerKind::UsbToCom)) {
        MSComm_.close();
        MSComm2_.close();
        return rs232 ? OpenRS232Drawers(what) : OpenAdapterDrawers(what);
    }
    what = "no drawer for this board";
    return true;
}

void FormSetting::stop_run_and_close(const std::string& message)
{
    view_.message(message, kTitleError);
    view_.stop_timer();
    view_.list_clear();
    log_.ended(message);
    closing();
    view_.close_window();
}

bool FormSetting::fire(SerialPort& comm, int port, std::string& what)
{
    const bool fired = comm.set_comm_port(port) && comm.open() && comm.output("U");
    if (!fired) {
        // Another program may hold the port: a tick that opened nothing must
        // not pass for one that did.
        comm.close();
        stop_run_and_close(drawers::com_open_failed(port));
        return false;
    }
    what += (what.empty() ? "" : ", ") + drawers::com_port_name(port) + " U";
    return true;
}

bool FormSetting::OpenRS232Drawers(std::string& what)
{
    // One controller goes to MSComm; two to MSComm and MSComm2; with more,
    // the first and the last found, as the RS232 window pairs them.
    const drawers::ComPortScan scan = drawers::scan_com_ports(state_.library, drawers::ComPairing::FirstAndLast);
    RS232Count_ = scan.ok() ? static_cast<int32_t>(scan.found.size()) : 0;
    if (!scan.ok()) {
        stop_run_and_close(scan.failure);
        return false;
    }
    if (!fire(MSComm_, scan.first, what)) return false;
    return scan.found.size() == 1 || fire(MSComm2_, scan.last, what);
}

bool FormSetting::OpenAdapterDrawers(std::string& what)
{
    // The first and the last adapter port, as the USB-to-RS232 window starts.
    const drawers::AdapterPortList ports = drawers::list_adapter_ports(state_.library);
    if (ports.names.empty()) {
        const char* message = drawers::adapter_failure(ports.result);
        stop_run_and_close(message != nullptr ? message : drawers::adapter_failure(TILLIO_NO_ADAPTER_PORT));
        return false;
    }
    const int first = drawers::adapter_port_number(state_.library, ports.names.front());
    if (!fire(MSComm_, first, what)) return false;
    return ports.names.size() == 1 || fire(MSComm2_, drawers::adapter_port_number(state_.library, ports.names.back()), what);
}

void FormSetting::add_progress_lines()
{
    // The oldest tick's lines go, so that no line number passes 32767.
    if (ticks_listed_ == kTicksKept) view_.list_remove_first(kLinesPerTick);
    else ++ticks_listed_;

    const std::string type = view_.text(C::ComboLT);
    const std::string amount = view_.text(C::txtnumtime);
    view_.list_add("MB Type: " + view_.text(C::ComboMB));
    view_.list_add("Loop Type: " + type);
    view_.list_add("Interval: " + view_.text(C::ComboInterval) + " sec");
    view_.list_add(type == "Count" ? "Test Count: " + amount : "Test Time: " + amount + " min");
    view_.list_add(current_line(LoopCount_));
    view_.list_add("");
    view_.list_select((ticks_listed_ - 1) * kLinesPerTick + 4);
}

void FormSetting::end_of_run()
{
    view_.stop_timer();
    enable_settings(true);
    LoopCount_ = 0;

    const std::string path = auto_ini_path(system_);
    if (!system_.file_exists(path)) {
        view_.message("auto.ini file not found", kTitleError);
        log_.ended("auto.ini file not found");
        closing();
        view_.close_window();
        view_.end_program();
        return;
    }
    const std::string mode = read_ini_value(system_, path, kAutoKey);
    if (read_ini_value(system_, path, kShowPassFailKey) == "1") {
        const bool pass = view_.ask_running_normally();
        log_.ended(pass ? "PASS" : "FAIL");
        view_.show_result(pass);
    } else {
        log_.ended("completed");
    }
    if (mode == "1") {
        closing();
        view_.close_window();
    }
}

} // namespace kav::gui
