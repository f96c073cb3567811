// The loop test's tick and the end of a run: FormSetting's runner half.
#include "FormSetting.h"

#include "FormUSB2RS232.h"
#include "auto_ini.h"
#include "ioctl_codes.h"

#include <vector>

namespace kav::gui {
namespace {

using C = SettingControl;

constexpr int32_t kPortAbsent = -1;
constexpr int kFirstScannedPort = 1;
constexpr int kLastScannedPort = 8;

// The driver command that opens drawer 1 of a board: fixed, or a DIO command
// added to DioBaseAddress at the moment of the tick.
struct BoardDrawer {
    std::string_view board;
    int32_t command;
};
constexpr BoardDrawer kBoardDrawers[] = {
    {"VOLX-9842", 26}, {"VOLX-9613", 30}, {"VOLX-9623", 10}, {"VOLX-8613", 12}, {"VOLX-8623", 20}, {"Pellor (x86)", 16},
};

} // namespace

const char* device_control_failure(int32_t result)
{
    switch (result) {
    case -1: return "Create File Failed";
    case -2: return "Device Control Failed";
    case -3: return "Device Control ID not Defined";
    default: return nullptr;
    }
}

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
    for (const BoardDrawer& drawer : kBoardDrawers) {
        if (drawer.board != board) continue;
        int32_t number = drawer.command;
        if (is_dio_command(number))
            number = static_cast<int32_t>(static_cast<uint32_t>(module_.DioBaseAddress) + static_cast<uint32_t>(number));
        const int32_t result = module_.library.DeviceControl(kDevicePath, number);
        what = "DeviceControl(" + std::to_string(number) + ") = " + std::to_string(result);
        if (const char* failure = device_control_failure(result)) {
            stop_run_and_close(failure);
            return false;
        }
        return true;
    }
    if (board == "USB Cash Drawer") {
        const int32_t result = module_.library.UsbCashDrawer(1);
        what = "UsbCashDrawer(1) = " + std::to_string(result);
        if (result == 0) {
            stop_run_and_close("Open USB Cash Drawer Failed");
            return false;
        }
        return true;
    }
    if (board == "RS232 Cash Drawer" || board == "USB to RS232 Cash Drawer") {
        MSComm_.close();
        MSComm2_.close();
        return board == "RS232 Cash Drawer" ? OpenRS232Drawers(what) : OpenAdapterDrawers(what);
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
        stop_run_and_close("Open COM" + std::to_string(port) + " Failed");
        return false;
    }
    what += (what.empty() ? "" : ", ") + std::string("COM") + std::to_string(port) + " U";
    return true;
}

bool FormSetting::OpenRS232Drawers(std::string& what)
{
    RS232Count_ = 0;
    for (int port = kFirstScannedPort; port <= kLastScannedPort; ++port)
        if (module_.library.CheckRS232Controller(port) != kPortAbsent) ++RS232Count_;
    if (RS232Count_ == 0) {
        stop_run_and_close("No RS232 Controller Found or broken");
        return false;
    }

    // One controller goes to MSComm; two to MSComm and MSComm2; with more,
    // the first and the last found, as the RS232 window pairs them.
    std::vector<int> answering;
    for (int port = kFirstScannedPort; port <= kLastScannedPort; ++port) {
        if (module_.library.CheckRS232Controller(port) == kPortAbsent) continue;
        answering.push_back(port);
        if (RS232Count_ <= 2 && static_cast<int32_t>(answering.size()) == RS232Count_) break;
    }
    const size_t needed = RS232Count_ == 1 ? 1 : 2;
    if (answering.size() < needed) {
        RS232Count_ = 0;
        stop_run_and_close(needed == 1 ? "No RS232 Controller found or broken" : "No RS232 Controller found or broken ");
        return false;
    }
    if (!fire(MSComm_, answering.front(), what)) return false;
    return needed == 1 || fire(MSComm2_, answering.back(), what);
}

bool FormSetting::OpenAdapterDrawers(std::string& what)
{
    // The first and the last adapter port, as the USB-to-RS232 window starts.
    int32_t result = 0;
    const std::vector<std::string> ports = adapter_ports(module_.library, result);
    if (ports.empty()) {
        const char* message = adapter_failure(result);
        stop_run_and_close(message != nullptr ? message : "USB to COM Controller not found");
        return false;
    }
    UsbToComPorts numbering(module_.library);
    if (!fire(MSComm_, numbering.port_number(ports.front()), what)) return false;
    return ports.size() == 1 || fire(MSComm2_, numbering.port_number(ports.back()), what);
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
