#include "run_log.h"

namespace kav::drawers {

std::string call_text(std::string_view function, int32_t argument, int32_t result)
{
    return std::string(function) + "(" + std::to_string(argument) + ") = " + std::to_string(result);
}

void RunLog::started(const std::string& board, const std::string& loop_type, const std::string& interval,
                     const std::string& count_or_time)
{
    running_ = true;
    const std::string amount = loop_type == "Count" ? "count " + count_or_time : "time " + count_or_time + " min";
    write("run started: " + board + ", " + loop_type + ", interval " + interval + " sec, " + amount);
}

void RunLog::tick(int number, const std::string& board, const std::string& action)
{
    write("tick " + std::to_string(number) + ": " + board + ", " + action);
}

void RunLog::ended(const std::string& how)
{
    if (!running_) return;
    running_ = false;
    write("run ended: " + how);
}

void RunLog::write(const std::string& event) { sink_.append(sink_.local_time() + " " + event); }

} // namespace kav::drawers
