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
    // Strict: no raw control character, only JSON's escapes, and the text
    // well-formed UTF-8 (as Windows' own converter judges it).
    bool string()
    {
        if (!take('"')) return false;
        const size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != '"') {
            if (static_cast<unsigned char>(text_[pos_]) < 0x20) return false;
            if (text_[pos_] == '\\') {
                if (++pos_ >= text_.size() || std::strchr("\"\\/bfnrtu", text_[pos_]) == nullptr) return false;
            }
            ++pos_;
        }
        if (pos_ >= text_.size()) return false;
        const std::string body = text_.substr(start, pos_ - start);
        if (!body.empty() && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, body.data(),
                                                 static_cast<int>(body.size()), nullptr, 0) == 0)
            return false;
        return text_[pos_++] == '"';
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

ToolProcess::ToolProcess(const std::string& arguments)
    : exe_(kavwine::beside_this_program("kavdrawer.exe")), out_path_(temp_file("out")), err_path_(temp_file("err"))
{
    out_ = inheritable(out_path_);
    err_ = inheritable(err_path_);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out_;
    startup.hStdError = err_;
    // Wide, as a console passes what the user typed: the arguments are UTF-8 here.
    std::wstring command = wide("\"" + exe_ + "\" " + arguments);
    start_ = GetTickCount();
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process_))
        create_error_ = GetLastError();
}

ToolProcess::~ToolProcess()
{
    if (!finished_) finish(0);
}

ToolRun ToolProcess::finish(DWORD timeout_ms)
{
    ToolRun run;
    if (finished_) return run;
    finished_ = true;
    if (process_.hProcess != nullptr) {
        if (WaitForSingleObject(process_.hProcess, timeout_ms) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 0xDEAD);
        WaitForSingleObject(process_.hProcess, INFINITE);
        GetExitCodeProcess(process_.hProcess, &run.exit_code);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
        process_ = {};
    }
    run.elapsed_ms = GetTickCount() - start_;
    CloseHandle(out_);
    CloseHandle(err_);
    run.out = read_all(out_path_);
    run.err = read_all(err_path_);
    if (create_error_ != 0) run.err += "(CreateProcess of " + exe_ + " failed, error " + std::to_string(create_error_) + ")";
    DeleteFileA(out_path_.c_str());
    DeleteFileA(err_path_.c_str());
    return run;
}

ToolRun run_tool(const std::string& arguments, DWORD timeout_ms) { return ToolProcess(arguments).finish(timeout_ms); }

std::wstring wide(const std::string& utf8)
{
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                                          nullptr, 0);
    std::wstring text(static_cast<size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), units);
    return text;
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
