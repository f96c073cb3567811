// FormSetting: the loop test. The user (or auto.ini, unattended) picks a
// board, a loop type, an interval and a count or a number of minutes; OK
// starts a run whose timer ticks open drawer 1 of the board once each, with
// six progress lines per tick, until the run ends.
#pragma once
#include "dialog_layout.h"
#include "loop_rules.h"
#include "message_view.h"
#include "program_state.h"
#include "run_log.h"
#include "serial_port.h"
#include "system_services.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kav::gui {

enum class SettingControl {
    List,
    ComboMB,
    ComboLT,
    ComboInterval,
    txtnumtime,
    Lab_counttime,
    Labmin,
    cmdOK,
    cmdCancel,
};

class SettingView : public MessageView {
public:
    virtual void add_item(SettingControl combo, const std::string& text) = 0;
    // The text of a combo box, the text box or a label.
    virtual std::string text(SettingControl control) const = 0;
    virtual void set_text(SettingControl control, const std::string& text) = 0;
    virtual void enable(SettingControl control, bool enabled) = 0;

    virtual void list_add(const std::string& line) = 0;
    virtual void list_remove_first(int lines) = 0;
    virtual void list_clear() = 0;
    virtual void list_select(int index) = 0;

    virtual void start_timer(int32_t period_ms) = 0;
    virtual void stop_timer() = 0;

    // frmRun; returns once it has closed itself.
    virtual void show_running_notice() = 0;
    // "Running normally ?" with Yes and No, title "Status": true for Yes.
    virtual bool ask_running_normally() = 0;
    // frmShowPass or frmShowFail; returns once it has closed.
    virtual void show_result(bool pass) = 0;

    virtual void close_window() = 0;
    // Ends the program at once: no window's closing steps run.
    virtual void end_program() = 0;

protected:
    SettingView() = default;
    SettingView(const SettingView&) = default;
    SettingView& operator=(const SettingView&) = default;
    ~SettingView() = default;
};

// A list of 32767 lines at most (16-bit line numbers) keeps the lines of the
// latest 5461 ticks.
inline constexpr int kLinesPerTick = 6;
inline constexpr int kTicksKept = 5461;

class FormSetting {
public:
    // MSComm and MSComm2 serve the serial boards' drawers.
    FormSetting(ProgramState& state, SystemServices& system, SettingView& view, SerialPort& MSComm, SerialPort& MSComm2,
                drawers::RunLog& log);

    // Fills the lists; unattended ("auto" is "1") copies the four auto.ini
    // values and carries out OK.
    void load();
    void ComboLT_Click();
    // True when the key was Enter, which carries out OK.
    bool txtnumtime_KeyPress(char key);
    void cmdOK_Click() { ok(); }
    void cmdCancel_Click();
    // However the window goes: the timer stops and LoopCount is 0.
    void closing();
    // The timer's tick. A tick that arrives while one is in progress (a
    // message box of it is up) is dropped.
    void Timer_Timer();

    int32_t LoopCount() const { return LoopCount_; }
    int32_t LoopTotal() const { return LoopTotal_; }
    int32_t RS232Count() const { return RS232Count_; }

private:
    // The two labels for the loop type shown; for Count, "(minutes)" goes
    // only when count_clears_minutes.
    void set_labels(bool count_clears_minutes);
    void ok();
    void enable_settings(bool enabled);
    void stop_run_and_close(const std::string& message);
    void end_of_run();
    void add_progress_lines();

    // The tick's drawer action; false when it ended the run (a message was
    // shown and the window closed). what says what it did, for the log.
    bool drawer_action(const std::string& board, std::string& what);
    bool OpenRS232Drawers(std::string& what);
    bool OpenAdapterDrawers(std::string& what);
    bool fire(SerialPort& comm, int port, std::string& what);

    ProgramState& state_;
    SystemServices& system_;
    SettingView& view_;
    SerialPort& MSComm_;
    SerialPort& MSComm2_;
    drawers::RunLog& log_;

    int32_t LoopCount_ = 0;
    int32_t LoopTotal_ = 0;
    int32_t RS232Count_ = 0;
    bool in_tick_ = false;
    bool closed_ = false;
    int ticks_listed_ = 0;
};

// "Current: " and the tick with a blank in the sign position.
std::string current_line(int32_t tick);

inline constexpr int kSettingListId = 1200;
inline constexpr int kSettingLabel1Id = 1201;
inline constexpr int kComboMBId = 1202;
inline constexpr int kSettingLabel2Id = 1203;
inline constexpr int kComboLTId = 1204;
inline constexpr int kLabCounttimeId = 1205;
inline constexpr int kLabminId = 1206;
inline constexpr int kTxtnumtimeId = 1207;
inline constexpr int kIntervalId = 1208;
inline constexpr int kSettingLabel4Id = 1209;
inline constexpr int kComboIntervalId = 1210;
// Not the dialog manager's kIdCancel, which Esc presses: a stray key must not
// end a run (an unattended one ends the program with it).
inline constexpr int kSettingCancelId = 1211;

// In tab order: List, ComboMB, ComboLT, txtnumtime, cmdOK, cmdCancel,
// ComboInterval; labels among them take no focus.
inline constexpr ControlSpec kFormSettingControls[] = {
    {ControlKind::ListBox, "", kSettingListId, {8, 8, 201, 212}},
    {ControlKind::Label, "Mother Board Type", kSettingLabel1Id, {216, 8, 113, 17}},
    {ControlKind::DropDownList, "", kComboMBId, {216, 24, 161, 22}, 0, 200},
    {ControlKind::Label, "Loop Type", kSettingLabel2Id, {216, 56, 137, 17}},
    {ControlKind::DropDownList, "", kComboLTId, {216, 72, 161, 22}, 0, 80},
    {ControlKind::Label, "", kLabCounttimeId, {216, 152, 33, 25}},
    {ControlKind::Label, "", kLabminId, {256, 152, 57, 17}},
    {ControlKind::TextBox, "", kTxtnumtimeId, {216, 168, 161, 25}},
    {ControlKind::Button, "&OK", kIdOk, {312, 208, 65, 41}},
    {ControlKind::Button, "&Cancel", kSettingCancelId, {216, 208, 65, 41}},
    {ControlKind::Label, "(seconds)", kSettingLabel4Id, {256, 104, 49, 17}},
    {ControlKind::Label, "Interval", kIntervalId, {216, 104, 81, 25}},
    {ControlKind::DropDown, "", kComboIntervalId, {216, 120, 161, 22}, 0, 200},
};

inline constexpr DialogLayout kFormSettingLayout{"Setting", 382, 260, kFormSettingControls, kSettingListId};

} // namespace kav::gui
