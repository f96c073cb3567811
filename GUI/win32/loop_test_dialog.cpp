#include "loop_test_dialog.h"
#include "loop_test_window.h"
#include "combo_box.h"
#include "dialog_builder.h"
#include "file_log_sink.h"
#include "picture_window.h"
#include "resource_ids.h"
#include "watched_serial_port.h"

#include <string>

namespace {

using kav::gui::SettingControl;
using C = SettingControl;

constexpr UINT_PTR kTickTimer = 1;
constexpr UINT kMSCommEvent = WM_APP + 1;
constexpr UINT kMSComm2Event = WM_APP + 2;

int id_of(C control)
{
    switch (control) {
    case C::List: return kav::gui::kSettingListId;
    case C::ComboMB: return kav::gui::kComboMBId;
    case C::ComboLT: return kav::gui::kComboLTId;
    case C::ComboInterval: return kav::gui::kComboIntervalId;
    case C::txtnumtime: return kav::gui::kTxtnumtimeId;
    case C::Lab_counttime: return kav::gui::kLabCounttimeId;
    case C::Labmin: return kav::gui::kLabminId;
    case C::cmdOK: return kav::gui::kIdOk;
    case C::cmdCancel: return kav::gui::kSettingCancelId;
    }
    return 0;
}

bool is_pick_only(C control) { return control == C::ComboMB || control == C::ComboLT; }

std::string window_text(HWND window)
{
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

class SettingDialog final : public kav::gui::SettingView, public DialogHandler {
public:
    SettingDialog(HINSTANCE instance, kav::gui::ProgramState& state, kav::gui::SystemServices& system)
        : instance_(instance), sink_(system.program_directory() + kav::drawers::kRunLogName),
          form_(state, system, *this, comm1_.port, comm2_.port, log_)
    {
    }

    void add_item(C combo, const std::string& text) override { combo_add(control(combo), text); }
    std::string text(C which) const override
    {
        return is_pick_only(which) ? combo_shown(control(which)) : window_text(control(which));
    }
    void set_text(C which, const std::string& text) override
    {
        if (is_pick_only(which)) combo_show(control(which), text);
        else SetWindowTextA(control(which), text.c_str());
    }
    void enable(C which, bool enabled) override { EnableWindow(control(which), enabled); }

    void list_add(const std::string& line) override
    {
        SendMessageA(control(C::List), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    void list_remove_first(int lines) override
    {
        for (int i = 0; i < lines; ++i) SendMessageA(control(C::List), LB_DELETESTRING, 0, 0);
    }
    void list_clear() override { SendMessageA(control(C::List), LB_RESETCONTENT, 0, 0); }
    void list_select(int index) override { SendMessageA(control(C::List), LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

    void start_timer(int32_t period_ms) override
    {
        SetTimer(dialog_->hwnd(), kTickTimer, static_cast<UINT>(period_ms), nullptr);
    }
    void stop_timer() override { KillTimer(dialog_->hwnd(), kTickTimer); }

    void show_running_notice() override
    {
        run_picture_window(instance_, dialog_->hwnd(), kav::gui::kFrmRun, IDB_RUNNING);
    }
    bool ask_running_normally() override
    {
        return MessageBoxA(dialog_->hwnd(), "Running normally ?", kav::gui::kTitleStatus, MB_YESNO) == IDYES;
    }
    void show_result(bool pass) override
    {
        run_picture_window(instance_, dialog_->hwnd(), pass ? kav::gui::kFrmShowPass : kav::gui::kFrmShowFail,
                           pass ? IDB_PASS : IDB_FAIL);
    }
    void message(const std::string& text, const std::string& title) override
    {
        MessageBoxA(dialog_->hwnd(), text.c_str(), title.c_str(), MB_OK);
    }
    void close_window() override { dialog_->end(0); }
    // At once: no window's closing steps, the driver service included.
    void end_program() override { ExitProcess(0); }

    void on_init(DialogWindow& dialog) override
    {
        dialog_ = &dialog;
        comm1_.watcher.post_to(dialog.hwnd());
        comm2_.watcher.post_to(dialog.hwnd());
        form_.load();
    }
    void on_command(int id, int notification) override
    {
        if (id == kav::gui::kIdOk) {
            // Enter reaches the dialog as OK: it counts in the text box only.
            const HWND focus = GetFocus();
            if (focus == control(C::txtnumtime)) form_.txtnumtime_KeyPress('\r');
            else if (focus == control(C::cmdOK) || (notification == BN_CLICKED && focus == nullptr)) form_.cmdOK_Click();
        } else if (id == kav::gui::kSettingCancelId) {
            form_.cmdCancel_Click();
        } else if (id == kav::gui::kComboLTId && notification == CBN_SELCHANGE) {
            form_.ComboLT_Click();
        }
    }
    bool on_message(UINT msg, WPARAM wparam, LPARAM lparam, INT_PTR&) override
    {
        switch (msg) {
        // The close box ends a run as Cancel does; Esc (kIdCancel) does nothing here.
        case WM_CLOSE:
            form_.cmdCancel_Click();
            return true;
        case WM_TIMER:
            if (wparam != kTickTimer) return false;
            form_.Timer_Timer();
            return true;
        // The loop test acts on no carrier change; delivering keeps the ports' runs straight.
        case kMSCommEvent:
            comm1_.port.deliver(static_cast<kav::gui::WorkerStamp>(wparam), static_cast<uintptr_t>(lparam));
            return true;
        case kMSComm2Event:
            comm2_.port.deliver(static_cast<kav::gui::WorkerStamp>(wparam), static_cast<uintptr_t>(lparam));
            return true;
        default:
            return false;
        }
    }
    void on_destroy() override { form_.closing(); }

private:
    HWND control(C which) const { return dialog_->control(id_of(which)); }

    HINSTANCE instance_;
    WatchedSerialPort comm1_{kMSCommEvent};
    WatchedSerialPort comm2_{kMSComm2Event};
    kav::drawers::FileLogSink sink_;
    kav::drawers::RunLog log_{sink_};
    kav::gui::FormSetting form_;
    DialogWindow* dialog_ = nullptr;
};

} // namespace

void run_form_setting(HINSTANCE instance, HWND owner, kav::gui::ProgramState& state, kav::gui::SystemServices& system)
{
    SettingDialog dialog(instance, state, system);
    run_modal_dialog(instance, owner, kav::gui::kFormSettingLayout, dialog);
}
