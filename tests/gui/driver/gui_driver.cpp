#include "gui_driver.h"

#include "probe_protocol.h"
#include "wine_service_control.h"
#include "wine_test_support.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace kavgui {
namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

std::string env(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string class_of(HWND window)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

DWORD owner_pid(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

// The enumeration callbacks are functions of their own: on i686 they must be
// stdcall (CALLBACK), which a lambda's conversion cannot give.
BOOL CALLBACK collect_window_of_process(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    if (owner_pid(window) == search->pid) search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK collect_window(HWND window, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

std::vector<HWND> top_windows(DWORD pid)
{
    WindowSearch search{pid, {}};
    EnumWindows(collect_window_of_process, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> children(HWND parent)
{
    std::vector<HWND> found;
    EnumChildWindows(parent, collect_window, reinterpret_cast<LPARAM>(&found));
    return found;
}

// A dialog with a text control of the message-box id and nothing to type
// into or pick from: a message box, not one of the utility's own dialogs.
bool is_message_box(HWND window)
{
    if (class_of(window) != "#32770" || GetDlgItem(window, kMessageBoxTextId) == nullptr) return false;
    for (HWND child : children(window)) {
        const std::string cls = class_of(child);
        if (lstrcmpiA(cls.c_str(), "Button") != 0 && lstrcmpiA(cls.c_str(), "Static") != 0) return false;
    }
    return true;
}

// Z:\a\b -> /a/b: Wine maps Z: to the Linux root.
std::string unix_path(std::string path)
{
    if (path.size() >= 2 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':') path.erase(0, 2);
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

// Xvfb runs no window manager, and Wine waits 2 s for one whenever it hides
// a managed window (every closed message box); unmanaged windows go at once,
// with a caption Wine draws itself. Read by each Wine process as it starts.
void use_unmanaged_windows()
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    RegCloseKey(key);
}

bool file_exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> split(const std::string& line, char separator)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, separator)) fields.push_back(field);
    if (!line.empty() && line.back() == separator) fields.emplace_back();
    return fields;
}

// A list's lines, asked with its own count, length and text messages. Wide:
// Wine hands an ANSI caller in another process the text in UTF-16.
std::vector<std::string> items_of(HWND control, UINT count_message, UINT length_message, UINT text_message)
{
    std::vector<std::string> items;
    const LRESULT count = SendMessageW(control, count_message, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(control, length_message, static_cast<WPARAM>(i), 0);
        if (length < 0) break;
        std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
        SendMessageW(control, text_message, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide.data()));
        char item[256] = "";
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, item, sizeof item, nullptr, nullptr);
        items.emplace_back(item);
    }
    return items;
}


} // namespace

std::string window_text(HWND window)
{
    char text[1024] = "";
    // WM_GETTEXT, not GetWindowText: the latter does not ask another
    // process's control for its text on Windows.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return text;
}

void PrintTo(const MessageBoxInfo& box, std::ostream* os)
{
    *os << "message box \"" << box.text << "\" titled \"" << box.title << "\", buttons {";
    for (size_t i = 0; i < box.buttons.size(); ++i) *os << (i ? ", " : "") << '"' << box.buttons[i] << '"';
    *os << "}" << (box.has_icon ? ", with an icon" : ", no icon");
}

::testing::AssertionResult plain_box(const std::optional<MessageBoxInfo>& box, const std::string& text,
                                     const std::string& title)
{
    if (!box) return ::testing::AssertionFailure() << "no message box appeared";
    const std::vector<std::string> ok_only{"OK"};
    if (box->text == text && box->title == title && box->buttons == ok_only && !box->has_icon)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << ::testing::PrintToString(*box) << "; want \"" << text
                                         << "\" titled \"" << title << "\", an OK button only and no icon";
}

MessageBoxInfo read_message_box(HWND box)
{
    MessageBoxInfo info;
    info.hwnd = box;
    info.title = window_text(box);
    info.text = window_text(GetDlgItem(box, kMessageBoxTextId));
    for (HWND child : children(box)) {
        if (!IsWindowVisible(child)) continue;
        const std::string cls = class_of(child);
        if (lstrcmpiA(cls.c_str(), "Button") == 0) {
            info.buttons.push_back(window_text(child));
        } else if (lstrcmpiA(cls.c_str(), "Static") == 0 &&
                   (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            // Windows leaves the icon control (0x14) out of a box without an
            // icon; Wine keeps its control (0x440) visible, only empty.
            info.has_icon = info.has_icon || SendMessageA(child, STM_GETICON, 0, 0) != 0;
        }
    }
    return info;
}

bool press_ok(const MessageBoxInfo& box, DWORD timeout_ms)
{
    HWND button = GetDlgItem(box.hwnd, IDOK);
    if (button == nullptr) button = GetDlgItem(box.hwnd, IDCANCEL);
    if (button == nullptr || !click(button)) return false;
    return wait_until([&] { return !IsWindow(box.hwnd); }, timeout_ms);
}

bool press_button(const MessageBoxInfo& box, const std::string& caption, DWORD timeout_ms)
{
    HWND button = find_child(box.hwnd, "Button", caption);
    if (button == nullptr || !click(button)) return false;
    return wait_until([&] { return !IsWindow(box.hwnd); }, timeout_ms);
}

std::vector<std::string> list_items(HWND list) { return items_of(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT); }

int list_selected(HWND list) { return static_cast<int>(SendMessageW(list, LB_GETCURSEL, 0, 0)); }

HWND find_child(HWND parent, const std::string& class_name, const std::string& caption)
{
    for (HWND child : children(parent)) {
        if (!class_name.empty() && lstrcmpiA(class_of(child).c_str(), class_name.c_str()) != 0) continue;
        if (!caption.empty() && window_text(child) != caption) continue;
        return child;
    }
    return nullptr;
}

std::string layout_text(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    std::string text = "client\t" + std::to_string(client.right) + "x" + std::to_string(client.bottom) + "\n";
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&r), 2);
        text += class_of(child) + "\t\"" + window_text(child) + "\"\t" + std::to_string(r.left) + "," +
                std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
                "\n";
    }
    return text;
}

bool click(HWND button) { return button != nullptr && PostMessageA(button, BM_CLICK, 0, 0) != FALSE; }

std::vector<std::string> combo_items(HWND combo) { return items_of(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT); }

std::string combo_shown(HWND combo)
{
    const LRESULT shown = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    const std::vector<std::string> items = combo_items(combo);
    return shown >= 0 && static_cast<size_t>(shown) < items.size() ? items[static_cast<size_t>(shown)] : "";
}

bool combo_choose(HWND combo, const std::string& entry)
{
    const std::vector<std::string> items = combo_items(combo);
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] != entry) continue;
        if (SendMessageA(combo, CB_SETCURSEL, i, 0) != static_cast<LRESULT>(i)) return false;
        const WPARAM notification = MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE);
        return PostMessageA(GetParent(combo), WM_COMMAND, notification, reinterpret_cast<LPARAM>(combo)) != FALSE;
    }
    return false;
}

DWORD service_state() { return kavwine::service_state(kavwine::kServiceName); }

bool service_exists()
{
    DWORD state = 0;
    return kavwine::query_service(kavwine::kServiceName, &state) != ERROR_SERVICE_DOES_NOT_EXIST;
}

DWORD prepare_stopped_service()
{
    return kavwine::create_kernel_service(kavwine::kServiceName, kavwine::kWineImagePath);
}

bool remove_service() { return kavwine::remove_service(kavwine::kServiceName) == ERROR_SUCCESS; }

HWND Utility::start_for_this_test(std::string* error)
{
    if (!remove_service() || prepare_stopped_service() != 0) {
        *error = "could not prepare the KAV_cash service";
        return nullptr;
    }
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    if (!start(test != nullptr ? test->name() : "no_test", std::string(), error)) return nullptr;
    const HWND main = wait_for_window(kMainCaption);
    if (main == nullptr) *error = "the main window did not appear";
    return main;
}

std::string screenshot(const std::string& name)
{
    // The harness watches the artefact folder for requests and answers each
    // with `import -window root`, then removes the request.
    const std::string folder = env("KAV_GUI_ARTIFACTS");
    if (folder.empty()) return "";
    const std::string request = folder + "\\" + name + ".shot-request";
    const std::string picture = folder + "\\" + name + ".png";
    DeleteFileA(picture.c_str());
    std::ofstream(request).flush();
    if (!wait_until([&] { return !file_exists(request); }, kWaitMs) || !file_exists(picture)) return "";
    return unix_path(picture);
}

std::string keep_artifact(const std::string& windows_file, const std::string& name)
{
    const std::string folder = env("KAV_GUI_ARTIFACTS");
    if (folder.empty()) return "";
    const std::string copy = folder + "\\" + name;
    if (!CopyFileA(windows_file.c_str(), copy.c_str(), FALSE)) return "";
    return unix_path(copy);
}

Utility::~Utility()
{
    end();
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    if (shared_ != nullptr) UnmapViewOfFile(shared_);
    if (mapping_ != nullptr) CloseHandle(mapping_);
}

bool Utility::start(const std::string& folder, const std::optional<std::string>& auto_ini, std::string* error)
{
    const std::string program = env("KAV_GUI_UTILITY");
    if (program.empty()) {
        *error = "KAV_GUI_UTILITY is not set: run under the GUI harness";
        return false;
    }
    const std::string dir = "C:\\kav_gui\\" + folder;
    const std::string copy = dir + "\\KAV_Cash_Drawer_Utility.exe";
    CreateDirectoryA("C:\\kav_gui", nullptr);
    CreateDirectoryA(dir.c_str(), nullptr);
    DeleteFileA((dir + "\\auto.ini").c_str());
    if (!CopyFileA(program.c_str(), copy.c_str(), FALSE)) {
        *error = "copying " + program + " failed, error " + std::to_string(GetLastError());
        return false;
    }
    if (auto_ini) std::ofstream(dir + "\\auto.ini", std::ios::binary) << *auto_ini;

    use_unmanaged_windows();
    std::string command_line = "\"" + copy + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(copy.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                        &startup, &process_)) {
        *error = "starting " + copy + " failed, error " + std::to_string(GetLastError());
        return false;
    }
    return true;
}

bool Utility::running() const
{
    return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Utility::wait_for_exit(DWORD timeout_ms)
{
    return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, timeout_ms) == WAIT_OBJECT_0;
}

void Utility::end()
{
    if (process_.hProcess == nullptr) return;
    if (running()) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
}

HWND Utility::find_window(const std::string& caption) const
{
    for (HWND window : top_windows(pid())) {
        if (window_text(window) == caption) return window;
    }
    return nullptr;
}

HWND Utility::wait_for_window(const std::string& caption, DWORD timeout_ms) const
{
    HWND found = nullptr;
    wait_until([&] { return (found = find_window(caption)) != nullptr; }, timeout_ms);
    return found;
}

std::optional<MessageBoxInfo> Utility::find_message_box() const
{
    for (HWND window : top_windows(pid())) {
        if (is_message_box(window)) return read_message_box(window);
    }
    return std::nullopt;
}

std::optional<MessageBoxInfo> Utility::wait_for_message_box(DWORD timeout_ms) const
{
    std::optional<MessageBoxInfo> box;
    wait_until([&] { return (box = find_message_box()).has_value(); }, timeout_ms);
    return box;
}

bool Utility::ensure_probe(HWND window)
{
    if (hook_ != nullptr) return true;
    char name[64];
    probe::shared_name(pid(), name);
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, probe::kSharedSize, name);
    if (mapping_ == nullptr) return false;
    shared_ = MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (shared_ == nullptr) return false;

    // The probe sits next to this program; the utility's thread loads it by
    // this full path when the hook first runs there.
    HMODULE module = LoadLibraryA(kavwine::beside_this_program("gui_probe.dll").c_str());
    if (module == nullptr) return false;
    auto hook = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module, probe::kHookExport)));
    if (hook == nullptr) return false;
    hook_ = SetWindowsHookExA(WH_GETMESSAGE, hook, module, GetWindowThreadProcessId(window, nullptr));
    return hook_ != nullptr;
}

bool Utility::probe_request(HWND window, const char* message, DWORD timeout_ms)
{
    if (!ensure_probe(window)) return false;
    auto* shared = static_cast<probe::Shared*>(shared_);
    const LONG before = shared->answered;
    if (!PostMessageA(window, RegisterWindowMessageA(message), 0, 0)) return false;
    return wait_until([&] { return shared->answered != before; }, timeout_ms);
}

std::string Utility::menu_text(HWND window)
{
    if (!probe_request(window, probe::kMenuMessage, kWaitMs)) return "";
    return static_cast<probe::Shared*>(shared_)->text;
}

std::string Utility::toolbar_text(HWND window)
{
    if (!probe_request(window, probe::kToolbarMessage, kWaitMs)) return "";
    return static_cast<probe::Shared*>(shared_)->text;
}

std::string Utility::text_look(HWND control)
{
    if (!probe_request(control, probe::kTextLookMessage, kWaitMs)) return "";
    return static_cast<probe::Shared*>(shared_)->text;
}

bool Utility::choose_menu(HWND window, const std::vector<std::string>& path, std::string* error)
{
    const std::string text = menu_text(window);
    if (text.empty()) {
        *error = "the window has no menu, or the probe did not answer";
        return false;
    }
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields = split(line, probe::kFieldSeparator);
        if (fields.size() != path.size() + 1 || !std::equal(path.begin(), path.end(), fields.begin())) continue;
        const std::string& id = fields.back();
        if (id.empty() || id.find_first_not_of("0123456789") != std::string::npos) {
            *error = "the item is a " + std::string(id == "-" ? "separator" : "submenu");
            return false;
        }
        const WPARAM command = MAKEWPARAM(static_cast<WORD>(std::stoul(id)), 0);
        return PostMessageA(window, WM_COMMAND, command, 0) != FALSE;
    }
    *error = "no such menu item; the menu is:\n" + text;
    return false;
}

bool Utility::click_toolbar_button(HWND window, int index, std::string* error)
{
    HWND toolbar = find_child(window, TOOLBARCLASSNAMEA);
    if (toolbar == nullptr) {
        *error = "the window has no toolbar";
        return false;
    }
    // TB_GETBUTTON writes into the toolbar's own process, so the answer goes
    // through memory allocated there.
    void* remote = VirtualAllocEx(process_.hProcess, nullptr, sizeof(TBBUTTON), MEM_COMMIT, PAGE_READWRITE);
    if (remote == nullptr) {
        *error = "VirtualAllocEx failed, error " + std::to_string(GetLastError());
        return false;
    }
    const LRESULT count = SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0);
    int position = 0;
    int command = -1;
    for (LRESULT i = 0; i < count && command < 0; ++i) {
        TBBUTTON button{};
        if (!SendMessageA(toolbar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote)) ||
            !ReadProcessMemory(process_.hProcess, remote, &button, sizeof button, nullptr))
            break;
        if (button.fsStyle & BTNS_SEP) continue;
        if (++position == index) command = button.idCommand;
    }
    VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    if (command < 0) {
        *error = "the toolbar has no button " + std::to_string(index) + " (" + std::to_string(count) + " in all)";
        return false;
    }
    const WPARAM wparam = MAKEWPARAM(static_cast<WORD>(command), BN_CLICKED);
    return PostMessageA(GetParent(toolbar), WM_COMMAND, wparam, reinterpret_cast<LPARAM>(toolbar)) != FALSE;
}

bool Utility::settle(HWND window, DWORD timeout_ms) { return probe_request(window, probe::kPingMessage, timeout_ms); }

} // namespace kavgui
