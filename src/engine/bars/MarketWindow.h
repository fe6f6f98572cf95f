#pragma once

#include "input/DateTimeText.h"

#include <cstdint>

namespace velmora {

/// The weekly window outside which no bar is written: from the open day at the open time (inclusive) to the
/// close day at the close time (exclusive), within one Sunday-to-Saturday week. It never wraps past Saturday.
struct MarketWindow
{
    bool enabled = false;
    int openDay = 1; ///< 1 = Sunday … 7 = Saturday
    int openHhmm = 0;
    int closeDay = 7;
    int closeHhmm = 0;

    /// The window test of a date-time value; seconds are ignored.
    bool Contains(DateTimeValue value) const;
    /// The same test on a whole minute.
    bool containsStamp(std::int64_t stamp) const;
};

/// Minutes of the day as the window keeps its times: 17:30 as 1730.
constexpr int hhmmOf(int minutes)
{
    return (minutes / 60) * 100 + minutes % 60;
}

} // namespace velmora
