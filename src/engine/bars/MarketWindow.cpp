#include "engine/bars/MarketWindow.h"

#include "input/CivilDays.h"

#include <cmath>

namespace velmora {

bool MarketWindow::containsStamp(std::int64_t stamp) const
{
    if (!enabled) {
        return true;
    }
    const std::int64_t day = floorDiv(stamp, 1440);
    const int minute = static_cast<int>(stamp - day * 1440);
    const int weekday = weekdayOfDay(day);
    const int hhmm = hhmmOf(minute);
    if (weekday < openDay || weekday > closeDay) {
        return false;
    }
    if (weekday == openDay && hhmm < openHhmm) {
        return false;
    }
    if (weekday == closeDay && hhmm >= closeHhmm) {
        return false;
    }
    return true;
}

bool MarketWindow::Contains(DateTimeValue value) const
{
    // Round to the millisecond first so that 09:05 stored as 09:04:59.9999 stays 09:05.
    const double ms = std::round(value * 86'400'000.0);
    return containsStamp(static_cast<std::int64_t>(std::floor(ms / 60'000.0)));
}

} // namespace velmora
