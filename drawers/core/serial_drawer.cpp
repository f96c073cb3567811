#include "serial_drawer.h"

namespace kav::drawers {

bool serial_port_path(int32_t port, SerialPortPath& path)
{
    if (port < 1) return false;
    static constexpr char kPrefix[] = "\\\\.\\COM";
    char digits[12];
    int count = 0;
    for (uint32_t rest = static_cast<uint32_t>(port); rest != 0; rest /= 10) {
        digits[count++] = static_cast<char>('0' + rest % 10);
    }
    char* out = path.text;
    for (const char c : kPrefix) {
        if (c != '\0') *out++ = c;
    }
    while (count > 0) *out++ = digits[--count];
    *out = '\0';
    return true;
}

void apply_drawer_settings(LineSettings& settings, uint32_t baud_rate)
{
    settings.baud_rate = baud_rate;
    settings.byte_size = 8;
    settings.parity = 0;
    settings.stop_bits = 0;
    settings.binary = true;
    settings.parity_check = true;
    settings.cts_output_flow = false;
    settings.dsr_output_flow = false;
    settings.dtr_control = 1;
    settings.dsr_sensitivity = false;
    settings.tx_continue_on_xoff = true;
    settings.xon_xoff_output = false;
    settings.xon_xoff_input = false;
    settings.error_char_replace = false;
    settings.discard_null = false;
    settings.rts_control = 1;
    settings.abort_on_error = false;
}

namespace {

// A number below 1 is refused before any system call: such a path names nothing.
SerialHandle open_port(SerialLine& line, int32_t port, bool overlapped)
{
    SerialPortPath path;
    if (!serial_port_path(port, path)) return kNoSerialPort;
    return line.open(path.text, overlapped);
}

} // namespace

int32_t open_cash_drawer(SerialLine& line, int32_t port)
{
    const SerialHandle handle = open_port(line, port, false);
    if (handle == kNoSerialPort) return TILLIO_DEVICE_NOT_OPENED;

    LineSettings settings;
    settings.length = kLineSettingsLength;
    // A failed read leaves the record as it was; setting it is what can fail.
    line.get_settings(handle, settings);
    apply_drawer_settings(settings);
    if (!line.set_settings(handle, settings)) {
        line.close(handle);
        return kSettingsRefused;
    }
    // The drawer does not answer, so the write's outcome tells nothing more.
    line.write(handle, kDrawerMessage, sizeof kDrawerMessage);
    line.close(handle);
    return TILLIO_DONE;
}

int32_t cash_drawer_status(SerialLine& line, int32_t port)
{
    const SerialHandle handle = open_port(line, port, true);
    if (handle == kNoSerialPort) return TILLIO_DEVICE_NOT_OPENED;

    if (!line.set_event_mask(handle, kEventCarrier | kEventRing)) {
        line.close(handle);
        return kEventMaskRefused;
    }
    const EventHandle event = line.create_event();
    if (event == kNoEvent) {
        line.close(handle);
        return kNoEventObject;
    }
    uint32_t received = 0;
    const WaitStart started = line.start_wait(handle, event, received);
    // Only an event already there counts: callers rely on an immediate answer.
    const int32_t result = started == WaitStart::Completed && (received & kEventCarrier) ? kCarrierChanged : 0;
    line.close(handle);
    if (started == WaitStart::Pending) line.settle_wait(event);
    line.close_event(event);
    return result;
}

int32_t check_port(SerialLine& line, int32_t port)
{
    const SerialHandle handle = open_port(line, port, false);
    if (handle == kNoSerialPort) return TILLIO_DEVICE_NOT_OPENED;
    line.close(handle);
    return TILLIO_DONE;
}

} // namespace kav::drawers
