#include "file_log_sink.h"

#include "system_text.h"

#include <windows.h>

#include <cstdio>

namespace kav::drawers {
namespace {

// Write access and a move to the end, not FILE_APPEND_DATA, which Windows
// 98 does not know.
HANDLE open_for_writing(const std::string& path, PathText text)
{
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    if (text == PathText::Utf8) {
        const HANDLE file = CreateFileW(utf16_of(path).c_str(), GENERIC_WRITE, kShare, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        // Windows 98 has no wide calls: the name as its code page writes it.
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return file;
        return CreateFileA(ansi_of(path).c_str(), GENERIC_WRITE, kShare, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    }
    return CreateFileA(path.c_str(), GENERIC_WRITE, kShare, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

std::string FileLogSink::local_time()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    return text;
}

void FileLogSink::append(const std::string& line)
{
    // A log that cannot be written changes nothing of the run.
    const HANDLE file = open_for_writing(path_, text_);
    if (file == INVALID_HANDLE_VALUE) return;
    LONG end_high = 0;
    SetLastError(NO_ERROR);
    const DWORD end_low = SetFilePointer(file, 0, &end_high, FILE_END);
    if (end_low != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR) {
        const std::string text = line + "\r\n";
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
    CloseHandle(file);
}

} // namespace kav::drawers
