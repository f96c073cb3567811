// FormCash, the main window: start-up, closing, and its menu commands and
// toolbar buttons. The view forwards events here and draws; it decides nothing.
#pragma once
#include "main_menu.h"
#include "message_view.h"
#include "program_state.h"
#include "system_services.h"

#include <string>

namespace kav::gui {

class CashView : public MessageView {
public:
    // Shows FormTCDio modally (its logic shares this ProgramState); returns
    // when it has closed.
    virtual void show_dio_address_window() = 0;
    // Shows FormRS232 modally; returns when it has closed.
    virtual void show_rs232_window() = 0;
    // Shows FormUSB2RS232 modally; returns when it has closed.
    virtual void show_usb2rs232_window() = 0;
    // Shows FormSetting, the loop test, modally; returns when it has closed.
    virtual void show_loop_test() = 0;
    // Shows FormAbout modally; returns when it has closed.
    virtual void show_about() = 0;

    // Destroys the main window and ends the program at once: no further
    // window events run. Called after the closing steps have run.
    virtual void end_program() = 0;

protected:
    ~CashView() = default;
};

enum class StartupOutcome {
    // The program ends now and the main window is never shown. The closing
    // steps have run already where they were due.
    Ended,
    // Show the main window.
    Interactive,
    // auto.ini asks for the unattended loop test and all four values passed;
    // they travel on as text.
    Unattended,
};

// The four auto.ini values of an unattended start, unchanged ("2.5", "5x").
struct UnattendedSettings {
    std::string MB;         // board, one of kBoardTypes
    std::string LT;         // "Count" or "Time"
    std::string Interval;   // leading number 1..10
    std::string Count_Time; // not empty, leading number not 0

    friend bool operator==(const UnattendedSettings&, const UnattendedSettings&) = default;
};

struct StartupResult {
    StartupOutcome outcome;
    UnattendedSettings settings; // set for Unattended only
};

// What start-up shows when the library lacks an export it calls.
inline constexpr const char* kMissingExportMessage = "tillio.dll lacks a function this program needs.";

class FormCash {
public:
    FormCash(ProgramState& state, SystemServices& system, CashView& view);

    // Runs once, before the window is shown (it needs no window of its own).
    StartupResult startup();

    // A menu item was chosen. Items whose windows do not exist yet do nothing.
    void on_command(Command command);

    // Toolbar1 reported a click on the button with this 1-based index; it does
    // what the button's menu item does. Other indices do nothing.
    void on_toolbar_click(int16_t index);

    // The close box (or any WM_CLOSE): the closing steps, then the program ends.
    void on_close_box();

    // An unattended start: the loop test in place of the main window, which
    // is never shown; the closing steps run when the loop test has closed.
    void RunAutoLoopTest();

private:
    bool CheckLibrary(const std::string& library_file);
    bool bind_library(const std::string& library_file);
    StartupResult fail_and_close(const std::string& text);
    void closing();

    ProgramState& state_;
    SystemServices& system_;
    CashView& view_;
    bool closed_ = false;
};

} // namespace kav::gui
