#include "form_tcdio_dialog.h"
#include "FormTCDio.h"
#include "dialog_builder.h"

#include <string>

namespace {

class TCDioDialog final : public kav::gui::TCDioView, public DialogHandler {
public:
    explicit TCDioDialog(kav::gui::Module1& module) : form_(module, *this) {}

    void add_entry(std::string_view text) override
    {
        SendMessageA(combo(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(text).c_str()));
    }
    void show_entry(size_t position) override { SendMessageA(combo(), CB_SETCURSEL, position, 0); }
    std::string shown_entry() const override
    {
        const LRESULT at = SendMessageA(combo(), CB_GETCURSEL, 0, 0);
        if (at == CB_ERR) return {};
        const LRESULT length = SendMessageA(combo(), CB_GETLBTEXTLEN, static_cast<WPARAM>(at), 0);
        if (length == CB_ERR) return {};
        std::string text(static_cast<size_t>(length) + 1, '\0');
        SendMessageA(combo(), CB_GETLBTEXT, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(length));
        return text;
    }
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

void run_form_tcdio(HINSTANCE instance, HWND owner, kav::gui::Module1& module)
{
    TCDioDialog dialog(module);
    run_modal_dialog(instance, owner, kav::gui::kFormTCDioLayout, dialog);
}
