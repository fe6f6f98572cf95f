#pragma once

#include <algorithm>
#include <cstdint>

namespace velmora {

/// The whole numbers a box or an option may hold, ends included.
struct ValueRange
{
    std::int32_t minimum;
    std::int32_t maximum;

    constexpr bool contains(std::int32_t value) const { return value >= minimum && value <= maximum; }
    /// The value as a spin box over the range shows it: one outside shows as the nearer end.
    constexpr std::int32_t clamp(std::int32_t value) const { return std::clamp(value, minimum, maximum); }
};

// The ranges every reader of a setting keeps to: the windows' spin boxes, the settings file read for a run
// and the headless tool's options, so that a value one of them takes is taken by all.

/// The time-zone box "TimeZoneEditValue": whole hours added to every label.
inline constexpr ValueRange TimeZoneHoursRange{-100, 100};
/// The date field box "DateCsvField": the 1-based position of the date in a source line.
inline constexpr ValueRange DateFieldRange{1, 100};
/// The weekday lists "MktOpenYoubi" and "MktCloseYoubi": item 0 "日曜" … item 6 "土曜".
inline constexpr ValueRange WeekdayListRange{0, 6};
inline constexpr std::int32_t DefaultOpenWeekdayPosition = 0;  // Sunday
inline constexpr std::int32_t DefaultCloseWeekdayPosition = 5; // Friday

/// A stored weekday list position as the list shows it: a position the list does not have gives its default.
constexpr std::int32_t weekdayListPosition(std::int32_t stored, std::int32_t listDefault)
{
    return WeekdayListRange.contains(stored) ? stored : listDefault;
}

/// The summer-time dialog's aid: the shift in minutes, and the data's own offset from UTC in hours.
inline constexpr ValueRange DaylightShiftMinutesRange{-1440, 1440};
inline constexpr ValueRange SourceUtcOffsetHoursRange{-23, 23};

/// Section "GapReport", key "Minutes": holes this long inside the market window or shorter are not reported.
/// Up to a year: a longer threshold would report nothing a fill bar could be written for.
inline constexpr ValueRange GapMinutesRange{1, 527'040};

} // namespace velmora
