#include "dio_address_dialog.h"
#include "dio_address_window.h"
#include "combo_box.h"
#include "dialog_builder.h"

#include <string>

namespace {

class TCDioDialog final : public kav::gui::TCDioView, public DialogHandler {
public:
    explicit TCDioDialog(kav::gui::ProgramState& state) : form_(state, *this) {}

    void add_entry(std::string_view text) override { combo_add(combo(), text); }
    void show_entry(size_t position) override { combo_show_at(combo(), position); }
    std::string shown_entry() const override { return combo_shown(combo()); }
    void close_window() override { dialog_->end(0); }

    void on_init(DialogWindow& dialog) override
    {
        dialog_ = &dialog;
        form_.load();
    }
    void on_command(int id, int) override
    {
        if (id == kav::gui::kIdOk) form_.cmdOK_Click();
        if (id == kav::gui::kIdCancel) form_.cmdCancel_Click(); // Esc and the close box too
    }

private:
    HWND combo() const { return dialog_->control(kav::gui::kComboTCDioId); }

    kav::gui::FormTCDio form_;
    DialogWindow* dialog_ = nullptr;
};

} // namespace

void run_form_tcdio(HINSTANCE instance, HWND owner, kav::gui::ProgramState& state)
{
    TCDioDialog dialog(state);
    run_modal_dialog(instance, owner, kav::gui::kFormTCDioLayout, dialog);
}
