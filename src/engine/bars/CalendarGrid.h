#pragma once

#include "engine/bars/TimeframeEntry.h"

#include <cstdint>

namespace velmora {

/// Where the buckets of weekly and monthly bars begin, in minute stamps (minutes since 1899-12-30 00:00).
///
/// A day's bucket begins at the cut time, so the day of a date begins at the last cut time at or before its
/// midnight: with the cut at 17:00, on the evening before; with the cut at 00:00, at that midnight. Weeks
/// begin at the open of the market window, or when the window is off where Monday's day begins; months begin
/// where the day of their 1st begins.
class CalendarGrid
{
public:
    /// openDay (1 = Sunday … 7 = Saturday) and openMinutes are the market window's open; both are ignored when
    /// the window is off.
    CalendarGrid(CalendarBars bars, std::int32_t cutMinutes, bool windowOn, int openDay, int openMinutes);

    /// The start of the bucket that holds the stamp.
    std::int64_t startOf(std::int64_t stamp) const;
    /// The start of the bucket after the one that starts at start.
    std::int64_t endOf(std::int64_t start) const;

private:
    CalendarBars m_bars;
    std::int64_t m_weekStart = 0; ///< minutes from a Sunday's midnight to the week's start, 0 to 7 days
    std::int64_t m_dayOffset = 0; ///< minutes from a midnight to the start of that date's day, -1 day to 0
};

} // namespace velmora
