// The Win32 view of the serial drawer windows: FormRS232 and its twin for
// USB-to-RS232 adapters, one dialog over a port source of each's own.
#pragma once
#include "serial_drawer_window.h"
#include "adapter_port_source.h"
#include "rs232_port_source.h"

#include <windows.h>

// Shows the window modally over owner; returns when it has closed.
void run_serial_drawer_window(HINSTANCE instance, HWND owner, const kav::gui::DialogLayout& layout,
                              kav::gui::SerialPortSource& source);

void run_form_rs232(HINSTANCE instance, HWND owner, kav::gui::ProgramState& state);
void run_form_usb2rs232(HINSTANCE instance, HWND owner, kav::gui::ProgramState& state);
