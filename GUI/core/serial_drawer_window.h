// FormRS232: fires up to two cash drawers on serial ports and follows the
// carrier-detect line of the one fired last. Its twin for USB-to-RS232
// adapters is the same window over another port source.
#pragma once
#include "dialog_layout.h"
#include "message_view.h"
#include "serial_port.h"

#include <cstdint>
#include <string>

namespace kav::gui {

enum class DrawerLook { Open, Closed };

class SerialDrawerView : public MessageView {
public:
    // Drawer 1's or drawer 2's port list.
    virtual void add_entry(int drawer, const std::string& text) = 0;
    virtual void show_entry(int drawer, const std::string& text) = 0;
    virtual std::string shown_entry(int drawer) const = 0;
    // The drawer's button and list together.
    virtual void enable_drawer(int drawer, bool enabled) = 0;
    // The drawer's indicator and status text: hidden, or shown with a look.
    virtual void hide_status(int drawer) = 0;
    virtual void show_status(int drawer, DrawerLook look) = 0;
    virtual void close_window() = 0;

protected:
    SerialDrawerView() = default;
    SerialDrawerView(const SerialDrawerView&) = default;
    SerialDrawerView& operator=(const SerialDrawerView&) = default;
    ~SerialDrawerView() = default;
};

// Where the window's ports come from.
class SerialPortSource {
public:
    // Fills both lists, picks the entries they show first and returns the
    // number of ports found; below 1 after telling the user why.
    virtual int32_t load(SerialDrawerView& view) = 0;
    // The port number a list entry names.
    virtual int port_number(const std::string& entry) = 0;
    // Whether loading hides the indicators and status texts.
    virtual bool hides_status_at_load() const = 0;

protected:
    SerialPortSource() = default;
    SerialPortSource(const SerialPortSource&) = default;
    SerialPortSource& operator=(const SerialPortSource&) = default;
    ~SerialPortSource() = default;
};

class FormRS232 {
public:
    // MSComm serves drawer 1, MSComm2 drawer 2.
    FormRS232(SerialDrawerView& view, SerialPortSource& source, SerialPort& MSComm, SerialPort& MSComm2);

    void load();
    // Each activation: a window that found no port closes itself.
    void activate();
    void cmdOpen_Click() { fire(1); }
    void cmdOpen2_Click() { fire(2); }
    // cmdCancel and the close box: both ports closed, then the window.
    void cmdCancel_Click();

private:
    void fire(int drawer);
    void on_comm(int drawer, const CommEvent& event);
    SerialPort& port_of(int drawer) { return drawer == 1 ? MSComm_ : MSComm2_; }

    SerialDrawerView& view_;
    SerialPortSource& source_;
    SerialPort& MSComm_;
    SerialPort& MSComm2_;
    int32_t found_ports_ = 0;
};

// The window's layout, shared by both twins but for caption and list names.
inline constexpr int kSerialLabel1Id = 1100;
inline constexpr int kSerialComboPort1Id = 1101;
inline constexpr int kSerialCmdOpenId = 1102;
inline constexpr int kSerialLabel2Id = 1103;
inline constexpr int kSerialComboPort2Id = 1104;
inline constexpr int kSerialCmdOpen2Id = 1105;
inline constexpr int kSerialLabel3Id = 1106;
inline constexpr int kSerialLabel4Id = 1107;
inline constexpr int kSerialLabStatus2Id = 1108;
inline constexpr int kSerialStatus2IndicatorId = 1109;
inline constexpr int kSerialLabStatus1Id = 1110;
inline constexpr int kSerialStatus1IndicatorId = 1111;

inline constexpr ControlSpec kSerialDrawerControls[] = {
    {ControlKind::Label, "Cash Drawer 1 connected to", kSerialLabel1Id, {8, 16, 145, 25}},
    {ControlKind::DropDownList, "", kSerialComboPort1Id, {152, 16, 105, 22}, 0, 160},
    // The blanks wrap the caption onto two lines of the narrow button.
    {ControlKind::Button, " Open Cash       Drawer &1", kSerialCmdOpenId, {272, 16, 73, 33}, kStyleMultiline},
    {ControlKind::Label, "Cash Drawer 2 connected to", kSerialLabel2Id, {8, 80, 137, 17}},
    {ControlKind::DropDownList, "", kSerialComboPort2Id, {152, 80, 105, 22}, 0, 160},
    {ControlKind::Button, " Open Cash       Drawer &2", kSerialCmdOpen2Id, {272, 80, 73, 33}, kStyleMultiline},
    {ControlKind::Label, "Status of Cash Drawer 2", kSerialLabel3Id, {8, 144, 121, 17}},
    {ControlKind::Label, "Status of Cash Drawer 1", kSerialLabel4Id, {144, 144, 121, 17}},
    {ControlKind::Button, "&Cancel", kIdCancel, {272, 144, 73, 33}},
    // The status row shows drawer 2 on the left.
    {ControlKind::Label, "", kSerialLabStatus2Id, {8, 168, 57, 17}},
    {ControlKind::Panel, "", kSerialStatus2IndicatorId, {88, 168, 41, 25}, kStyleBorder},
    {ControlKind::Label, "", kSerialLabStatus1Id, {144, 168, 57, 17}},
    {ControlKind::Panel, "", kSerialStatus1IndicatorId, {224, 168, 41, 25}, kStyleBorder},
};

inline constexpr DialogLayout kFormRS232Layout{"RS232 Cash Drawer", 355, 213, kSerialDrawerControls, kSerialComboPort1Id};

// The indicators' fills, as red, green, blue.
struct Rgb {
    uint8_t red, green, blue;
};
inline constexpr Rgb kClosedColour{0, 255, 0};
inline constexpr Rgb kOpenColour{0, 0, 255};
inline constexpr const char* look_text(DrawerLook look) { return look == DrawerLook::Open ? "Open" : "Closed"; }

} // namespace kav::gui
