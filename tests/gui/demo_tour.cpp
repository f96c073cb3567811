// The README's run command on the simulated terminal. With --interactive it
// starts the utility for a person and waits until they close it; without it,
// on a machine with no display, it takes a short unattended tour: start, open
// one drawer, read its state, open the simulated USB drawer and read its
// state, fire the RS232 drawer on the simulated COM3 and watch it open, exit;
// then, with --kavdrawer PATH, the console tool on the drawer of the simulated
// receipt printer on COM6 (list, open, status, wait-close); then an unattended
// loop test of three ticks from auto.ini, which ends the program by itself and
// leaves its log. Screenshots and the log land in the artefact folder.
#include "gui_driver.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

// An unattended loop test: auto.ini asks for three openings of VOLX-8613's
// drawer 1, one a second; the program runs them and ends by itself.
int loop_test()
{
    if (!kavgui::remove_service() || kavgui::prepare_stopped_service() != 0) {
        std::puts("demo: could not prepare the KAV_cash service");
        return 1;
    }
    const std::string ini = "[Application]\r\nauto=1\r\n[Board Type]\r\nMB=VOLX-8613\r\n[Loop Type]\r\nLT=Count\r\n"
                            "[Interval]\r\nInterval=1\r\n[Edit Box]\r\nCount_Time=3\r\n";
    kavgui::Utility utility;
    std::string error;
    if (!utility.start("demo_loop", ini, &error)) {
        std::printf("demo: the utility did not start: %s\n", error.c_str());
        return 1;
    }
    std::puts("demo: auto.ini asks for an unattended loop test: VOLX-8613, 3 openings, 1 s apart");
    const HWND setting = utility.wait_for_window("Setting");
    if (setting == nullptr) {
        std::puts("demo: the loop test did not appear");
        return 1;
    }
    Sleep(2500); // into the run, past the running notice
    std::printf("demo: loop test running, screenshot %s\n", kavgui::screenshot("5_loop_test").c_str());
    if (!utility.wait_for_exit(30000)) {
        std::puts("demo: the loop test did not end by itself");
        utility.end();
        return 1;
    }
    const std::string log = kavgui::keep_artifact("C:\\kav_gui\\demo_loop\\LoopTest.log", "LoopTest.log");
    std::printf("demo: the loop test ended the program; the KAV_cash service is %s; its log, %s:\n",
                kavgui::service_exists() ? "still there" : "removed", log.empty() ? "(not found)" : log.c_str());
    std::ifstream file("C:\\kav_gui\\demo_loop\\LoopTest.log");
    for (std::string line; std::getline(file, line);) std::printf("  %s\n", line.c_str());
    return log.empty() ? 1 : 0;
}

// The USB menu: open USB drawer 1 (a simulated HID drawer) and read its state.
bool usb_drawer(kavgui::Utility& utility, HWND main)
{
    std::string error;
    if (!utility.choose_menu(main, {"&Action", "&USB ", "Open Cash Drawer &1"}, &error) || !utility.settle(main)) {
        std::printf("demo: %s\n", error.c_str());
        return false;
    }
    if (const auto box = utility.find_message_box()) {
        std::printf("demo: USB > Open Cash Drawer 1 says \"%s\" (is a HID drawer simulated?)\n", box->text.c_str());
        kavgui::press_ok(*box);
        return false;
    }
    std::puts("demo: USB > Open Cash Drawer 1 chosen: the simulated USB drawer springs open");
    if (!utility.choose_menu(main, {"&Action", "&USB ", "Status &1"}, &error)) {
        std::printf("demo: %s\n", error.c_str());
        return false;
    }
    const auto box = utility.wait_for_message_box();
    if (!box) {
        std::puts("demo: no USB status message appeared");
        return false;
    }
    std::printf("demo: USB > Status 1 says \"%s\", screenshot %s\n", box->text.c_str(),
                kavgui::screenshot("3_usb_drawer_status").c_str());
    kavgui::press_ok(*box);
    return box->text == "Cash Drawer 1 Is Open";
}

// The RS232 window: fire drawer 1 on COM3 and see its indicator turn to Open.
bool rs232_drawer(kavgui::Utility& utility, HWND main)
{
    std::string error;
    if (!utility.choose_menu(main, {"&Action", "&RS232", "&Open and Status"}, &error)) {
        std::printf("demo: %s\n", error.c_str());
        return false;
    }
    const HWND window = utility.wait_for_window("RS232 Cash Drawer");
    const HWND fire = window ? kavgui::find_child(window, "Button", " Open Cash       Drawer &1") : nullptr;
    if (fire == nullptr || !kavgui::click(fire)) {
        std::puts("demo: the RS232 window did not open (is COM3 simulated?)");
        if (const auto box = utility.find_message_box()) kavgui::press_ok(*box);
        return false;
    }
    const bool opened = kavgui::wait_until([&] { return kavgui::find_child(window, "Static", "Open") != nullptr; });
    std::printf("demo: RS232 > Open and Status, drawer 1 fired on COM3: %s, screenshot %s\n",
                opened ? "its indicator shows Open" : "no Open shown", kavgui::screenshot("4_rs232_drawer").c_str());
    kavgui::click(kavgui::find_child(window, "Button", "&Cancel"));
    kavgui::wait_until([&] { return !IsWindow(window); });
    return opened;
}

struct ConsoleRun {
    DWORD exit_code = 0xFFFFFFFF;
    std::string output; // standard output and error
};

// A console program run to its end (30 s at most), its output caught in a file.
ConsoleRun run_console(const std::string& program, const std::string& arguments)
{
    ConsoleRun run;
    char directory[MAX_PATH];
    char file[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    GetTempFileNameA(directory, "kav", 0, file);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE out = CreateFileA(file, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process{};
    std::string command = "\"" + program + "\" " + arguments;
    if (out != INVALID_HANDLE_VALUE &&
        CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
        GetExitCodeProcess(process.hProcess, &run.exit_code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        run.output += "  " + line + "\n";
    }
    in.close();
    DeleteFileA(file);
    return run;
}

// The console tool on the simulated receipt printer on COM6: its drawer in
// the list, opened by the printer's kick, read open through the printer's
// status, and waited for until it closes by itself.
bool printer_drawer(const std::string& kavdrawer)
{
    bool ok = true;
    for (const char* arguments : {"list", "open printer:com6", "status printer:com6",
                                  "wait-close printer:com6 --timeout 10"}) {
        const ConsoleRun run = run_console(kavdrawer, arguments);
        std::printf("demo: kavdrawer %s: exit %lu\n%s", arguments, static_cast<unsigned long>(run.exit_code),
                    run.output.c_str());
        ok = ok && run.exit_code == 0;
        if (std::string(arguments) == "list") ok = ok && run.output.find("printer:com6\tprinter") != std::string::npos;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    using kavgui::Utility;
    if (!kavgui::remove_service() || kavgui::prepare_stopped_service() != 0) {
        std::puts("demo: could not prepare the KAV_cash service");
        return 1;
    }
    Utility utility;
    std::string error;
    if (!utility.start("demo", std::string(), &error)) {
        std::printf("demo: the utility did not start: %s\n", error.c_str());
        return 1;
    }
    std::string kavdrawer;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--kavdrawer") kavdrawer = argv[i + 1];
    if (argc > 1 && std::string(argv[1]) == "--interactive") {
        std::puts("demo: the utility is running; close it to end");
        // Seen now, not when the person closes it: stdout is buffered off a terminal.
        std::fflush(stdout);
        utility.wait_for_exit(INFINITE);
        return 0;
    }
    const HWND main = utility.wait_for_window(kavgui::kMainCaption);
    if (main == nullptr) {
        std::puts("demo: the main window did not appear");
        return 1;
    }
    std::printf("demo: main window open, screenshot %s\n", kavgui::screenshot("1_main_window").c_str());

    const std::vector<std::string> board{"&Action", "&DIO", "VOLX-8613"};
    auto choose = [&](const char* caption) {
        std::vector<std::string> path = board;
        path.push_back(caption);
        const bool ok = utility.choose_menu(main, path, &error);
        if (!ok) std::printf("demo: %s\n", error.c_str());
        return ok;
    };
    int status = 0;
    if (choose("Open Cash Drawer &1") && utility.settle(main)) {
        std::puts("demo: VOLX-8613 > Open Cash Drawer 1 chosen: the simulated drawer springs open");
    } else {
        status = 1;
    }
    if (choose("&Status 1")) {
        if (const auto box = utility.wait_for_message_box()) {
            std::printf("demo: VOLX-8613 > Status 1 says \"%s\" (title \"%s\"), screenshot %s\n", box->text.c_str(),
                        box->title.c_str(), kavgui::screenshot("2_drawer_status").c_str());
            kavgui::press_ok(*box);
        } else {
            std::puts("demo: no status message appeared");
            status = 1;
        }
    } else {
        status = 1;
    }
    if (!usb_drawer(utility, main)) status = 1;
    if (!rs232_drawer(utility, main)) status = 1;
    if (utility.choose_menu(main, {"&File", "&exit"}, &error) && utility.wait_for_exit()) {
        std::printf("demo: exit chosen; the KAV_cash service is %s\n",
                    kavgui::service_exists() ? "still there" : "removed");
    } else {
        utility.end();
        status = 1;
    }
    if (!kavdrawer.empty() && !printer_drawer(kavdrawer)) status = 1;
    return loop_test() == 0 ? status : 1;
}
