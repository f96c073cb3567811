// A device's statistics record as a file in the machine's program data
// ("<common application data>\KAV\OPOS CashDrawer\<device>.stat"): one
// file for 32-bit and 64-bit applications alike, writable by every signed-in
// user. Each change happens under a named mutex every process shares, and is
// written to "<file>.new", flushed to the disk and then moved over the record
// in one step, so a crash at any moment leaves the old record or the new one.
// A record that no longer reads (changed from outside) is set aside as
// "<file>.unreadable" and counting starts afresh.
#pragma once
#include "platform.h"

#include <windows.h>

#include <string>

namespace kav::opos::win32 {

class StatisticsFile final : public StatisticsStore {
public:
    explicit StatisticsFile(const std::string& device_name);

    std::optional<StatisticsRecord> read() override;
    std::optional<StatisticsRecord> update(const std::function<void(StatisticsRecord&)>& change) override;

    // The folder of every device's record, made (with its sharing DACL) if
    // missing; "" if there is none.
    static std::wstring folder();

private:
    // Under the mutex: the record, fresh if none or set aside.
    std::optional<StatisticsRecord> load();
    bool store(const StatisticsRecord& record);

    std::string device_name_;
    std::wstring mutex_name_;
};

} // namespace kav::opos::win32
