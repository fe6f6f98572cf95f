#include "engine/bars/CalendarGrid.h"

#include <chrono>

namespace velmora {

namespace {

constexpr std::int64_t DayMinutes = 1440;
constexpr std::int64_t WeekMinutes = 7 * DayMinutes;
// 1899-12-31, the first Sunday of the day count, and 1970-01-01, the start of the system clock's days.
constexpr std::int64_t FirstSundayStamp = DayMinutes;
constexpr std::int64_t UnixEpochDay = 25'569;

std::int64_t floorMod(std::int64_t value, std::int64_t divisor)
{
    const std::int64_t rest = value % divisor;
    return rest < 0 ? rest + divisor : rest;
}

std::int64_t floorDiv(std::int64_t value, std::int64_t divisor)
{
    return (value - floorMod(value, divisor)) / divisor;
}

std::chrono::year_month monthOfDay(std::int64_t day)
{
    const std::chrono::year_month_day date{std::chrono::sys_days{std::chrono::days{day - UnixEpochDay}}};
    return date.year() / date.month();
}

std::int64_t firstDayOf(std::chrono::year_month month)
{
    return std::chrono::sys_days{month / 1}.time_since_epoch().count() + UnixEpochDay;
}

} // namespace

CalendarGrid::CalendarGrid(CalendarBars bars, std::int32_t cutMinutes, bool windowOn, int openDay, int openMinutes)
    : m_bars(bars), m_dayOffset(cutMinutes == 0 ? 0 : cutMinutes - DayMinutes)
{
    m_weekStart = windowOn ? (openDay - 1) * DayMinutes + openMinutes : DayMinutes + m_dayOffset;
}

std::int64_t CalendarGrid::startOf(std::int64_t stamp) const
{
    if (m_bars == CalendarBars::Weeks) {
        return stamp - floorMod(stamp - FirstSundayStamp - m_weekStart, WeekMinutes);
    }
    const std::int64_t day = floorDiv(stamp - m_dayOffset, DayMinutes);
    return firstDayOf(monthOfDay(day)) * DayMinutes + m_dayOffset;
}

std::int64_t CalendarGrid::endOf(std::int64_t start) const
{
    if (m_bars == CalendarBars::Weeks) {
        return start + WeekMinutes;
    }
    const std::int64_t day = floorDiv(start - m_dayOffset, DayMinutes);
    return firstDayOf(monthOfDay(day) + std::chrono::months{1}) * DayMinutes + m_dayOffset;
}

} // namespace velmora
