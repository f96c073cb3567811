// FormCash's Win32 view: the main window, its menu bar built from the menu
// data, Toolbar1 and the pictures. It forwards every event to FormCash and
// decides nothing itself.
#pragma once
#include "main_window.h"

#include <windows.h>
#include <commctrl.h>

class FormCashWindow final : public kav::gui::CashView {
public:
    FormCashWindow(HINSTANCE instance, kav::gui::ProgramState& state, kav::gui::SystemServices& system);
    ~FormCashWindow();
    FormCashWindow(const FormCashWindow&) = delete;
    FormCashWindow& operator=(const FormCashWindow&) = delete;

    void attach(kav::gui::FormCash& form) { form_ = &form; }

    // Creates and shows the window, centred on the screen; false if it could not.
    bool create(int show);
    // Runs until the program ends; returns the exit code.
    int run();

    void message(const std::string& text, const std::string& title) override;
    void show_dio_address_window() override;
    void show_rs232_window() override;
    void show_usb2rs232_window() override;
    void show_loop_test() override;
    void show_about() override;
    void end_program() override;

private:
    static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
    LRESULT handle(UINT msg, WPARAM wparam, LPARAM lparam);
    void create_toolbar();
    void place_pictures();
    void paint();
    template <typename Action>
    void guarded(Action&& action);

    HINSTANCE instance_;
    kav::gui::ProgramState& state_;
    kav::gui::SystemServices& system_;
    kav::gui::FormCash* form_ = nullptr;
    HWND hwnd_ = nullptr;
    HWND toolbar_ = nullptr;
    HIMAGELIST images_ = nullptr;
    // Image1, the banner, and Image2..Image7, the terminals: each bitmap (null
    // where the artwork is missing) and where it is drawn.
    struct Picture {
        HBITMAP bitmap = nullptr;
        RECT place{};
    };
    static constexpr size_t kPictureCount = 7;
    Picture pictures_[kPictureCount];
};
