#include "statistics_file.h"

#include "device_names.h"
#include "named_objects.h"
#include "system_text.h"

#include <shlobj.h>

#include <optional>

namespace kav::opos::win32 {
namespace {

// Longer than any other process holds the lock for a write.
constexpr DWORD kLockWaitMs = 5000;
// A record is a few hundred bytes; anything much larger is not one.
constexpr DWORD kMaxRecordBytes = 4096;

// Abandoned, its holder died, and the rename left a whole record.
class FileLock {
public:
    explicit FileLock(const std::wstring& name) : mutex_(shared_mutex(name)), hold_(std::in_place, mutex_, kLockWaitMs) {}
    ~FileLock()
    {
        hold_.reset();
        if (mutex_) CloseHandle(mutex_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return hold_ && hold_->held(); }

private:
    HANDLE mutex_;
    std::optional<MutexHold> hold_;
};

class File {
public:
    explicit File(HANDLE handle) : handle_(handle) {}
    ~File()
    {
        if (valid()) CloseHandle(handle_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

bool make_folder(const std::wstring& path, SECURITY_ATTRIBUTES* security)
{
    return CreateDirectoryW(path.c_str(), security) || GetLastError() == ERROR_ALREADY_EXISTS;
}

} // namespace

StatisticsFile::StatisticsFile(const std::string& device_name)
    : device_name_(device_name), mutex_name_(drawers::utf16_of(statistics_mutex_name(device_name)))
{
}

std::wstring StatisticsFile::folder()
{
    wchar_t data[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, data))) {
        return {};
    }
    const std::wstring kav = std::wstring(data) + L"\\KAV";
    const std::wstring folder = kav + L"\\OPOS CashDrawer";
    SecurityAttributes shared(kSharedFolderSddl);
    if (!make_folder(kav, nullptr) || !make_folder(folder, shared.get())) return {};
    return folder;
}

std::optional<StatisticsRecord> StatisticsFile::load()
{
    const std::wstring directory = folder();
    if (directory.empty()) return std::nullopt;
    const std::wstring path = directory + L"\\" + drawers::utf16_of(statistics_file_name(device_name_));
    File file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return StatisticsRecord{};
        return std::nullopt;
    }
    char text[kMaxRecordBytes];
    DWORD length = 0;
    if (!ReadFile(file.get(), text, sizeof text, &length, nullptr)) return std::nullopt;
    if (auto record = parse_record(std::string_view(text, length))) return record;
    // Kept for whoever wants to look; counting goes on from nothing.
    MoveFileExW(path.c_str(), (path + L".unreadable").c_str(), MOVEFILE_REPLACE_EXISTING);
    return StatisticsRecord{};
}

bool StatisticsFile::store(const StatisticsRecord& record)
{
    const std::wstring directory = folder();
    if (directory.empty()) return false;
    const std::wstring path = directory + L"\\" + drawers::utf16_of(statistics_file_name(device_name_));
    const std::wstring fresh = path + L".new";
    const std::string text = format_record(record);
    {
        File file(CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (!file.valid() || !WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size() || !FlushFileBuffers(file.get())) {
            return false;
        }
    }
    // The record is replaced whole, never rewritten in place.
    return MoveFileExW(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

std::optional<StatisticsRecord> StatisticsFile::read()
{
    FileLock lock(mutex_name_);
    if (!lock.held()) return std::nullopt;
    return load();
}

std::optional<StatisticsRecord> StatisticsFile::update(const std::function<void(StatisticsRecord&)>& change)
{
    FileLock lock(mutex_name_);
    if (!lock.held()) return std::nullopt;
    auto record = load();
    if (!record) return std::nullopt;
    change(*record);
    if (!store(*record)) return std::nullopt;
    return record;
}

} // namespace kav::opos::win32
