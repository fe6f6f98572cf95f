#include "engine/bars/GapTally.h"

#include "engine/bars/BarBuilder.h"
#include "input/CivilDays.h"

#include <algorithm>

namespace velmora {

namespace {

std::int64_t minutesOfHhmm(int hhmm)
{
    return std::int64_t{hhmm / 100} * 60 + hhmm % 100;
}

} // namespace

WeekWindow::WeekWindow(const MarketWindow& window)
{
    if (!window.enabled) {
        return;
    }
    m_open = (window.openDay - 1) * MinutesPerDay + minutesOfHhmm(window.openHhmm);
    m_close = (window.closeDay - 1) * MinutesPerDay + minutesOfHhmm(window.closeHhmm);
    // The same test as MarketWindow::containsStamp: a window that closes before it opens holds no minute.
    m_close = std::max(m_close, m_open);
}

std::int64_t WeekWindow::minutesUpTo(std::int64_t stamp) const
{
    const std::int64_t week = floorDiv(stamp - FirstSundayStamp, MinutesPerWeek);
    const std::int64_t offset = stamp - FirstSundayStamp - week * MinutesPerWeek;
    return week * (m_close - m_open) + std::clamp(offset, m_open, m_close) - m_open;
}

std::int64_t WeekWindow::minutesBetween(std::int64_t from, std::int64_t to) const
{
    return to <= from ? 0 : minutesUpTo(to) - minutesUpTo(from);
}

std::int64_t WeekWindow::nextOpenMinute(std::int64_t stamp) const
{
    const std::int64_t weekStart =
        FirstSundayStamp + floorDiv(stamp - FirstSundayStamp, MinutesPerWeek) * MinutesPerWeek;
    const std::int64_t offset = stamp - weekStart;
    if (offset < m_open) {
        return weekStart + m_open;
    }
    return offset < m_close ? stamp : weekStart + MinutesPerWeek + m_open;
}

std::int64_t WeekWindow::lastCloseBefore(std::int64_t stamp) const
{
    const std::int64_t weekStart =
        FirstSundayStamp + floorDiv(stamp - 1 - FirstSundayStamp, MinutesPerWeek) * MinutesPerWeek;
    const std::int64_t offset = stamp - weekStart; // in 1 … MinutesPerWeek
    if (offset > m_close) {
        return weekStart + m_close;
    }
    return offset > m_open ? stamp : weekStart - MinutesPerWeek + m_close;
}

void GapTally::lineAfterGap(std::int64_t stamp)
{
    if (m_haveLast) {
        hole(stamp);
    }
    m_haveLast = true;
}

void GapTally::hole(std::int64_t next)
{
    const std::int64_t first = m_last + 1;
    const std::int64_t minutes = m_window.minutesBetween(first, next);
    if (minutes <= m_longerThan) {
        return;
    }
    m_gaps.push_back({m_window.nextOpenMinute(first), m_window.lastCloseBefore(next), minutes, m_last, next});
}

} // namespace velmora
