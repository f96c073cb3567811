#include "main_window_view.h"
#include "about_dialog.h"
#include "dio_address_dialog.h"
#include "loop_test_dialog.h"
#include "main_menu.h"
#include "resource_ids.h"
#include "serial_drawer_dialog.h"

#include <commctrl.h>

#include <iterator>
#include <string>

namespace {

using kav::gui::Command;

constexpr char kWindowClass[] = "KAV_FormCash";
// Toolbar buttons report 1000 + their 1-based index, apart from every menu id.
constexpr UINT kToolbarIdBase = 1000;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN; // no minimise, no maximise
constexpr int kPictureIds[] = {IDB_BANNER,    IDB_TERMINAL1, IDB_TERMINAL2, IDB_TERMINAL3,
                               IDB_TERMINAL4, IDB_TERMINAL5, IDB_TERMINAL6};

std::string text(std::string_view view) { return std::string(view); }

HMENU build_menu(std::span<const kav::gui::MenuEntry> entries, bool bar)
{
    HMENU menu = bar ? CreateMenu() : CreatePopupMenu();
    for (const kav::gui::MenuEntry& entry : entries) {
        if (entry.is_separator()) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        } else if (entry.is_submenu()) {
            AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(build_menu(entry.items, false)),
                        text(entry.caption).c_str());
        } else {
            AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(entry.command), text(entry.caption).c_str());
        }
    }
    return menu;
}

const kav::gui::ToolbarButton* button_by_id(UINT id)
{
    for (const kav::gui::ToolbarButton& b : kav::gui::toolbar_buttons())
        if (kToolbarIdBase + static_cast<UINT>(b.index) == id) return &b;
    return nullptr;
}

// The picture, or a plain frame where the artwork is missing.
void draw_picture(HDC dc, HBITMAP bitmap, const RECT& r)
{
    if (bitmap == nullptr) {
        FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
        return;
    }
    BITMAP info{};
    GetObject(bitmap, sizeof info, &info);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, bitmap);
    StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory, 0, 0, info.bmWidth, info.bmHeight,
               SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

HBITMAP load_bitmap(HINSTANCE instance, int id)
{
    return static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

} // namespace

FormCashWindow::FormCashWindow(HINSTANCE instance, kav::gui::ProgramState& state, kav::gui::SystemServices& system)
    : instance_(instance), state_(state), system_(system)
{
}

FormCashWindow::~FormCashWindow()
{
    if (images_ != nullptr) ImageList_Destroy(images_);
    for (const Picture& picture : pictures_)
        if (picture.bitmap != nullptr) DeleteObject(picture.bitmap);
}

bool FormCashWindow::create(int show)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES}; // the toolbar and its tool tips
    InitCommonControlsEx(&controls);

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = window_proc;
    wc.hInstance = instance_;
    wc.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(IDI_PROGRAM));
    wc.hIconSm = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON, 16, 16, 0));
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    if (RegisterClassExA(&wc) == 0) return false;

    HMENU menu = build_menu(kav::gui::menu_bar(), true);
    RECT frame{0, 0, kav::gui::kFormCashClientWidth, kav::gui::kFormCashClientHeight};
    AdjustWindowRectEx(&frame, kStyle, TRUE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;

    static_assert(std::size(kPictureIds) == kPictureCount);
    for (size_t i = 0; i < kPictureCount; ++i) pictures_[i].bitmap = load_bitmap(instance_, kPictureIds[i]);

    hwnd_ = CreateWindowExA(0, kWindowClass, text(kav::gui::kFormCashCaption).c_str(), kStyle, x, y, width, height,
                            nullptr, menu, instance_, this);
    if (hwnd_ == nullptr) return false;
    create_toolbar();
    place_pictures();
    ShowWindow(hwnd_, show);
    UpdateWindow(hwnd_);
    return true;
}

void FormCashWindow::create_toolbar()
{
    toolbar_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS | CCS_TOP, 0, 0,
                               0, 0, hwnd_, nullptr, instance_, nullptr);
    SendMessageA(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);

    const int icon = kav::gui::kToolbarIconSize;
    images_ = ImageList_Create(icon, icon, ILC_COLOR24 | ILC_MASK, kav::gui::kToolbarIconCount, 0);
    if (HBITMAP strip = load_bitmap(instance_, IDB_TOOLBAR)) {
        ImageList_AddMasked(images_, strip, RGB(255, 0, 255)); // magenta is transparent
        DeleteObject(strip);
    }
    SendMessageA(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));
    SendMessageA(toolbar_, TB_SETBUTTONSIZE, 0,
                 MAKELPARAM(kav::gui::kToolbarButtonWidth, kav::gui::kToolbarButtonHeight));

    for (const kav::gui::ToolbarButton& b : kav::gui::toolbar_buttons()) {
        TBBUTTON button{};
        button.iBitmap = b.icon - 1;
        button.idCommand = static_cast<int>(kToolbarIdBase + static_cast<UINT>(b.index));
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON;
        button.iString = -1;
        SendMessageA(toolbar_, TB_ADDBUTTONSA, 1, reinterpret_cast<LPARAM>(&button));
    }
    SendMessageA(toolbar_, TB_AUTOSIZE, 0, 0);
}

int FormCashWindow::run()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

void FormCashWindow::message(const std::string& text, const std::string& title)
{
    MessageBoxA(hwnd_, text.c_str(), title.c_str(), MB_OK);
}

void FormCashWindow::show_dio_address_window() { run_form_tcdio(instance_, hwnd_, state_); }

void FormCashWindow::show_rs232_window() { run_form_rs232(instance_, hwnd_, state_); }

void FormCashWindow::show_usb2rs232_window() { run_form_usb2rs232(instance_, hwnd_, state_); }

void FormCashWindow::show_loop_test() { run_form_setting(instance_, hwnd_, state_, system_); }

void FormCashWindow::show_about() { run_form_about(instance_, hwnd_, state_); }

void FormCashWindow::end_program()
{
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
    PostQuitMessage(0);
}

// A fault inside a handler (memory running out) must not unwind through the
// system's frames: report it and end.
template <typename Action>
void FormCashWindow::guarded(Action&& action)
{
    try {
        action();
    } catch (...) {
        MessageBoxA(hwnd_, "Unexpected error.", kav::gui::kTitleError, MB_OK);
        end_program();
    }
}

LRESULT CALLBACK FormCashWindow::window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam)
{
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<FormCashWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<FormCashWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    return self != nullptr ? self->handle(msg, wparam, lparam) : DefWindowProcA(hwnd, msg, wparam, lparam);
}

LRESULT FormCashWindow::handle(UINT msg, WPARAM wparam, LPARAM lparam)
{
    switch (msg) {
    case WM_COMMAND: {
        const UINT id = LOWORD(wparam);
        if (const kav::gui::ToolbarButton* b = button_by_id(id)) {
            guarded([&] { form_->on_toolbar_click(b->index); });
        } else if (HIWORD(wparam) == 0 && kav::gui::find_menu_item(static_cast<Command>(id)) != nullptr) {
            guarded([&] { form_->on_command(static_cast<Command>(id)); });
        }
        return 0;
    }
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lparam);
        if (header->code == TTN_GETDISPINFOA) {
            auto* info = reinterpret_cast<NMTTDISPINFOA*>(lparam);
            if (const kav::gui::ToolbarButton* b = button_by_id(static_cast<UINT>(header->idFrom))) {
                static std::string tip;
                tip = text(b->tool_tip);
                info->lpszText = tip.data();
            }
        } else if (header->code == TTN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lparam);
            if (const kav::gui::ToolbarButton* b = button_by_id(static_cast<UINT>(header->idFrom))) {
                static std::wstring tip;
                tip.assign(b->tool_tip.begin(), b->tool_tip.end()); // the tips are plain ASCII
                info->lpszText = tip.data();
            }
        }
        return 0;
    }
    case WM_PAINT:
        paint();
        return 0;
    case WM_CLOSE:
        guarded([&] { form_->on_close_box(); });
        return 0;
    case WM_DESTROY:
        hwnd_ = nullptr;
        return 0;
    default:
        return DefWindowProcA(hwnd_, msg, wparam, lparam);
    }
}

// The toolbar's height is known once it has sized itself; the window is not
// resizable, so the pictures' places never change after this.
void FormCashWindow::place_pictures()
{
    RECT bar{};
    if (toolbar_ != nullptr) GetWindowRect(toolbar_, &bar);
    const int top = bar.bottom - bar.top;
    pictures_[0].place = {0, top, kav::gui::kBannerWidth, top + kav::gui::kBannerHeight};

    // Two rows of three terminals fill the rest of the client area.
    const int rows_top = pictures_[0].place.bottom + 8;
    const int cell_w = kav::gui::kFormCashClientWidth / 3;
    const int cell_h = (kav::gui::kFormCashClientHeight - rows_top) / 2;
    for (size_t i = 1; i < kPictureCount; ++i) {
        const int cell = static_cast<int>(i - 1);
        const int left = (cell % 3) * cell_w + 6;
        const int cell_top = rows_top + (cell / 3) * cell_h + 4;
        pictures_[i].place = {left, cell_top, left + cell_w - 12, cell_top + cell_h - 8};
    }
}

void FormCashWindow::paint()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    SetStretchBltMode(dc, HALFTONE);
    for (const Picture& picture : pictures_) draw_picture(dc, picture.bitmap, picture.place);
    EndPaint(hwnd_, &ps);
}
