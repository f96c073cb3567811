#include "run_tool.h"

#include "wine_test_support.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>

namespace kavcli {
namespace {

std::string temp_file(const char* prefix)
{
    char directory[MAX_PATH];
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    GetTempFileNameA(directory, prefix, 0, path);
    return path;
}

HANDLE inheritable(const std::string& path)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
}

std::string read_all(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A small strict reader: enough JSON to check the tool's objects.
class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}
    bool object(std::map<std::string, std::string>* members)
    {
        if (!take('{')) return false;
        if (take('}')) return true;
        do {
            std::string name;
            const size_t start = skip();
            if (!string()) return false;
            name = json_text(text_.substr(start, pos_ - start));
            if (!take(':')) return false;
            const size_t value_start = skip();
            if (!value()) return false;
            if (members) (*members)[name] = text_.substr(value_start, pos_ - value_start);
        } while (take(','));
        return take('}');
    }
    bool at_end() { return skip() == text_.size(); }

private:
    size_t skip()
    {
        while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        return pos_;
    }
    bool take(char c)
    {
        skip();
        if (pos_ < text_.size() && text_[pos_] == c) return ++pos_, true;
        return false;
    }
    bool string()
    {
        if (!take('"')) return false;
        while (pos_ < text_.size() && text_[pos_] != '"') {
            if (static_cast<unsigned char>(text_[pos_]) < 0x20) return false;
            if (text_[pos_] == '\\') ++pos_;
            ++pos_;
        }
        return pos_ < text_.size() && text_[pos_++] == '"';
    }
    bool value()
    {
        skip();
        if (pos_ >= text_.size()) return false;
        const char c = text_[pos_];
        if (c == '"') return string();
        if (c == '{') return object(nullptr);
        if (c == '[') {
            ++pos_;
            if (take(']')) return true;
            do {
                if (!value()) return false;
            } while (take(','));
            return take(']');
        }
        for (const char* word : {"true", "false", "null"}) {
            if (text_.compare(pos_, std::strlen(word), word) == 0) return pos_ += std::strlen(word), true;
        }
        const size_t start = pos_;
        if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
        while (pos_ < text_.size() && (std::isdigit(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.')) ++pos_;
        return pos_ > start;
    }
    const std::string& text_;
    size_t pos_ = 0;
};

} // namespace

std::vector<std::string> ToolRun::out_lines() const
{
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

ToolRun run_tool(const std::string& arguments, DWORD timeout_ms)
{
    ToolRun run;
    const std::string exe = kavwine::beside_this_program("kavdrawer.exe");
    const std::string out_path = temp_file("out");
    const std::string err_path = temp_file("err");
    HANDLE out = inheritable(out_path);
    HANDLE err = inheritable(err_path);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    std::string command = "\"" + exe + "\" " + arguments;
    const DWORD start = GetTickCount();
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, timeout_ms) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 0xDEAD);
        GetExitCodeProcess(process.hProcess, &run.exit_code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    const DWORD create_error = run.exit_code == 0xFFFFFFFF ? GetLastError() : 0;
    run.elapsed_ms = GetTickCount() - start;
    CloseHandle(out);
    CloseHandle(err);
    run.out = read_all(out_path);
    run.err = read_all(err_path);
    if (create_error != 0) run.err += "(CreateProcess of " + exe + " failed, error " + std::to_string(create_error) + ")";
    DeleteFileA(out_path.c_str());
    DeleteFileA(err_path.c_str());
    return run;
}

std::optional<std::map<std::string, std::string>> parse_json_object(const std::string& text)
{
    std::map<std::string, std::string> members;
    Reader reader(text);
    if (!reader.object(&members) || !reader.at_end()) return std::nullopt;
    return members;
}

std::string json_text(const std::string& value)
{
    if (value.size() < 2 || value.front() != '"') return value;
    std::string text;
    for (size_t i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == '\\' && i + 2 < value.size()) ++i;
        text += value[i];
    }
    return text;
}

} // namespace kavcli
