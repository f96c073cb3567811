#include "loop_test_window.h"

#include "auto_ini.h"
#include "catalogue.h"

#include <cmath>

namespace kav::gui {
namespace {

using C = SettingControl;

constexpr char kEnter = 13;

} // namespace

std::string current_line(int32_t tick)
{
    const std::string sign = tick < 0 ? "-" : " ";
    return "Current: " + sign + std::to_string(std::abs(static_cast<long long>(tick)));
}

FormSetting::FormSetting(ProgramState& state, SystemServices& system, SettingView& view, SerialPort& MSComm,
                         SerialPort& MSComm2, drawers::RunLog& log)
    : state_(state), system_(system), view_(view), MSComm_(MSComm), MSComm2_(MSComm2), log_(log)
{
}

void FormSetting::load()
{
    // Items first: a pick-only list can show only one of its own items.
    for (std::string_view board : drawers::kBoardTypes) view_.add_item(C::ComboMB, std::string(board));
    view_.set_text(C::ComboMB, std::string(drawers::kBoardTypes.front()));
    for (std::string_view type : drawers::kLoopTypes) view_.add_item(C::ComboLT, std::string(type));
    view_.set_text(C::ComboLT, drawers::kLoopByCount);
    for (int seconds = 1; seconds <= 10; ++seconds) view_.add_item(C::ComboInterval, std::to_string(seconds));
    view_.set_text(C::ComboInterval, "1");

    const std::string path = auto_ini_path(system_);
    const std::string mode = read_ini_value(system_, path, kAutoKey);
    if (mode == "1") {
        // Start-up has checked these four values; they are taken as they stand.
        view_.set_text(C::ComboMB, read_ini_value(system_, path, kBoardKey));
        view_.set_text(C::ComboLT, read_ini_value(system_, path, kLoopTypeKey));
        view_.set_text(C::ComboInterval, read_ini_value(system_, path, kIntervalKey));
        view_.set_text(C::txtnumtime, read_ini_value(system_, path, kCountTimeKey));
        ok();
    } else if (mode == "0") {
        set_labels(true);
    }
}

void FormSetting::set_labels(bool count_clears_minutes)
{
    const std::string type = view_.text(C::ComboLT);
    if (type == "Time") {
        view_.set_text(C::Lab_counttime, "Time");
        view_.set_text(C::Labmin, "(minutes)");
    } else if (type == "Count") {
        view_.set_text(C::Lab_counttime, "Count");
        if (count_clears_minutes) view_.set_text(C::Labmin, "");
    }
}

void FormSetting::ComboLT_Click() { set_labels(true); }

bool FormSetting::txtnumtime_KeyPress(char key)
{
    if (key != kEnter) return false;
    ok();
    return true;
}

void FormSetting::ok()
{
    // OK leaves "(minutes)" standing for Count; choosing Count clears it.
    set_labels(false);
    const std::string type = view_.text(C::ComboLT);
    const std::string amount = view_.text(C::txtnumtime);
    if (amount.empty()) {
        view_.message("Please keyin figure in the edit box", kTitleError);
        return;
    }
    const std::string interval = view_.text(C::ComboInterval);
    const std::optional<drawers::RunPlan> plan = drawers::plan_run(type, interval, amount);
    if (!plan) {
        // No timer of period 0, no division by a zero interval, no overflow.
        view_.message("Keyin Error", kTitleError);
        return;
    }

    view_.show_running_notice();
    enable_settings(false);
    view_.list_clear();
    ticks_listed_ = 0;
    view_.start_timer(plan->period_ms);
    LoopTotal_ = plan->total;
    log_.started(view_.text(C::ComboMB), type, interval, amount);
}

void FormSetting::enable_settings(bool enabled)
{
    for (C control : {C::cmdOK, C::txtnumtime, C::ComboMB, C::ComboLT, C::ComboInterval})
        view_.enable(control, enabled);
}

void FormSetting::cmdCancel_Click()
{
    view_.stop_timer();
    closing();
    view_.close_window();
}

void FormSetting::closing()
{
    if (closed_) return;
    closed_ = true;
    view_.stop_timer();
    LoopCount_ = 0;
    log_.ended("cancelled");
    // The serial ticks leave their ports open until the window goes.
    MSComm_.close();
    MSComm2_.close();
}

} // namespace kav::gui
