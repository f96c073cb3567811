#include "serial_drawer_dialog.h"
#include "combo_box.h"
#include "dialog_builder.h"
#include "watched_serial_port.h"

#include <optional>

namespace {

using kav::gui::DrawerLook;

// One message per port, so each event finds its own serial-port object.
constexpr UINT kMSCommEvent = WM_APP + 1;
constexpr UINT kMSComm2Event = WM_APP + 2;

COLORREF colour(const kav::gui::Rgb& rgb) { return RGB(rgb.red, rgb.green, rgb.blue); }

class SerialDrawerDialog final : public kav::gui::SerialDrawerView, public DialogHandler {
public:
    explicit SerialDrawerDialog(kav::gui::SerialPortSource& source) : form_(*this, source, comm1_.port, comm2_.port) {}
    ~SerialDrawerDialog()
    {
        DeleteObject(open_brush_);
        DeleteObject(closed_brush_);
    }
    SerialDrawerDialog(const SerialDrawerDialog&) = delete;
    SerialDrawerDialog& operator=(const SerialDrawerDialog&) = delete;

    void add_entry(int drawer, const std::string& text) override { combo_add(combo(drawer), text); }
    void show_entry(int drawer, const std::string& text) override { combo_show(combo(drawer), text); }
    std::string shown_entry(int drawer) const override { return combo_shown(combo(drawer)); }
    void enable_drawer(int drawer, bool enabled) override
    {
        EnableWindow(control(drawer == 1 ? kav::gui::kSerialCmdOpenId : kav::gui::kSerialCmdOpen2Id), enabled);
        EnableWindow(combo(drawer), enabled);
    }
    void hide_status(int drawer) override
    {
        ShowWindow(status_text(drawer), SW_HIDE);
        ShowWindow(indicator(drawer), SW_HIDE);
    }
    void show_status(int drawer, DrawerLook look) override
    {
        looks_[drawer] = look;
        SetWindowTextA(status_text(drawer), kav::gui::look_text(look));
        ShowWindow(status_text(drawer), SW_SHOW);
        ShowWindow(indicator(drawer), SW_SHOW);
        InvalidateRect(indicator(drawer), nullptr, TRUE);
    }
    void message(const std::string& text, const std::string& title) override
    {
        MessageBoxA(dialog_->hwnd(), text.c_str(), title.c_str(), MB_OK);
    }
    void close_window() override { dialog_->end(0); }

    void on_init(DialogWindow& dialog) override
    {
        dialog_ = &dialog;
        comm1_.watcher.post_to(dialog.hwnd());
        comm2_.watcher.post_to(dialog.hwnd());
        form_.load();
    }
    void on_command(int id, int notification) override
    {
        if (notification != BN_CLICKED) return;
        if (id == kav::gui::kSerialCmdOpenId) form_.cmdOpen_Click();
        if (id == kav::gui::kSerialCmdOpen2Id) form_.cmdOpen2_Click();
        if (id == kav::gui::kIdCancel) form_.cmdCancel_Click(); // Esc and the close box too
    }
    bool on_message(UINT msg, WPARAM wparam, LPARAM lparam, INT_PTR& result) override
    {
        switch (msg) {
        case kMSCommEvent:
            comm1_.port.deliver(static_cast<kav::gui::WorkerStamp>(wparam), static_cast<uintptr_t>(lparam));
            return true;
        case kMSComm2Event:
            comm2_.port.deliver(static_cast<kav::gui::WorkerStamp>(wparam), static_cast<uintptr_t>(lparam));
            return true;
        case WM_ACTIVATE:
            if (LOWORD(wparam) != WA_INACTIVE) form_.activate();
            return false; // the dialog manager still restores the focus
        case WM_CTLCOLORSTATIC:
            for (int drawer : {1, 2}) {
                if (reinterpret_cast<HWND>(lparam) != indicator(drawer) || !looks_[drawer]) continue;
                result = reinterpret_cast<INT_PTR>(*looks_[drawer] == DrawerLook::Open ? open_brush_ : closed_brush_);
                return true;
            }
            return false;
        default:
            return false;
        }
    }
    // The ports close (and their watchers end) while the window still exists.
    void on_destroy() override
    {
        comm1_.port.close();
        comm2_.port.close();
    }

private:
    HWND control(int id) const { return dialog_->control(id); }
    HWND combo(int drawer) const
    {
        return control(drawer == 1 ? kav::gui::kSerialComboPort1Id : kav::gui::kSerialComboPort2Id);
    }
    HWND status_text(int drawer) const
    {
        return control(drawer == 1 ? kav::gui::kSerialLabStatus1Id : kav::gui::kSerialLabStatus2Id);
    }
    HWND indicator(int drawer) const
    {
        return control(drawer == 1 ? kav::gui::kSerialStatus1IndicatorId : kav::gui::kSerialStatus2IndicatorId);
    }

    WatchedSerialPort comm1_{kMSCommEvent};
    WatchedSerialPort comm2_{kMSComm2Event};
    kav::gui::FormRS232 form_;
    DialogWindow* dialog_ = nullptr;
    // Until its first event a drawer's indicator has no look (no fill).
    std::optional<DrawerLook> looks_[3];
    HBRUSH open_brush_ = CreateSolidBrush(colour(kav::gui::kOpenColour));
    HBRUSH closed_brush_ = CreateSolidBrush(colour(kav::gui::kClosedColour));
};

} // namespace

void run_serial_drawer_window(HINSTANCE instance, HWND owner, const kav::gui::DialogLayout& layout,
                              kav::gui::SerialPortSource& source)
{
    SerialDrawerDialog dialog(source);
    run_modal_dialog(instance, owner, layout, dialog);
}

void run_form_rs232(HINSTANCE instance, HWND owner, kav::gui::ProgramState& state)
{
    kav::gui::Rs232PortScan scan(state.library);
    run_serial_drawer_window(instance, owner, kav::gui::kFormRS232Layout, scan);
}

void run_form_usb2rs232(HINSTANCE instance, HWND owner, kav::gui::ProgramState& state)
{
    kav::gui::UsbToComPorts ports(state.library);
    run_serial_drawer_window(instance, owner, kav::gui::kFormUSB2RS232Layout, ports);
}
