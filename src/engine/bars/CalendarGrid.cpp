#include "engine/bars/CalendarGrid.h"

#include "input/CivilDays.h"

#include <chrono>

namespace velmora {

namespace {

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
    : m_bars(bars), m_dayOffset(cutMinutes == 0 ? 0 : cutMinutes - MinutesPerDay)
{
    m_weekStart = windowOn ? (openDay - 1) * MinutesPerDay + openMinutes : MinutesPerDay + m_dayOffset;
}

std::int64_t CalendarGrid::startOf(std::int64_t stamp) const
{
    if (m_bars == CalendarBars::Weeks) {
        return stamp - floorMod(stamp - FirstSundayStamp - m_weekStart, MinutesPerWeek);
    }
    const std::int64_t day = floorDiv(stamp - m_dayOffset, MinutesPerDay);
    return firstDayOf(monthOfDay(day)) * MinutesPerDay + m_dayOffset;
}

std::int64_t CalendarGrid::endOf(std::int64_t start) const
{
    if (m_bars == CalendarBars::Weeks) {
        return start + MinutesPerWeek;
    }
    const std::int64_t day = floorDiv(start - m_dayOffset, MinutesPerDay);
    return firstDayOf(monthOfDay(day) + std::chrono::months{1}) * MinutesPerDay + m_dayOffset;
}

} // namespace velmora
