#pragma once

#include "platform/Clock.h" // CivilDate

#include <cstdint>
#include <optional>

// The one day count of the program: day 0 is 1899-12-30, the date-time origin of the source files' readers and of
// the bar labels; a minute stamp is a day times 1440 plus the minute of the day. Everything that turns days into
// dates, weekdays or other clocks' days goes through here.
namespace velmora {

constexpr std::int64_t MinutesPerDay = 1440;
constexpr std::int64_t MinutesPerWeek = 7 * MinutesPerDay;
/// 1970-01-01, the first day of the system clock and of the time-zone database.
constexpr std::int64_t UnixEpochDay = 25'569;
constexpr std::int64_t UnixEpochStamp = UnixEpochDay * MinutesPerDay;
/// 1899-12-31, the first Sunday of the count: weeks are counted from its first minute.
constexpr std::int64_t FirstSundayStamp = MinutesPerDay;

/// Rounds toward minus infinity, so that stamps before the origin fall into the day (or bucket) they belong to.
constexpr std::int64_t floorDiv(std::int64_t value, std::int64_t divisor)
{
    std::int64_t quotient = value / divisor;
    if (value % divisor != 0 && (value < 0) != (divisor < 0)) {
        --quotient;
    }
    return quotient;
}

/// The rest of floorDiv: for a positive divisor always in [0, divisor).
constexpr std::int64_t floorMod(std::int64_t value, std::int64_t divisor)
{
    return value - floorDiv(value, divisor) * divisor;
}

/// 1 = Sunday … 7 = Saturday, as the market window's weekday settings count.
constexpr int weekdayOfDay(std::int64_t day)
{
    // Day 0, 1899-12-30, was a Saturday.
    return static_cast<int>(floorMod(day + 6, 7)) + 1;
}

/// The proleptic Gregorian date of a day (H. Hinnant's civil_from_days), for the days of the years 1 to 9999
/// that labels and dates are held to. Written out so that it stays constexpr and free of std::chrono's checks.
constexpr CivilDate civilFromDays(std::int64_t day)
{
    constexpr std::int64_t DaysPerEra = 146'097;
    const std::int64_t z = day - UnixEpochDay + 719'468; // counted from 0000-03-01
    const std::int64_t era = (z >= 0 ? z : z - (DaysPerEra - 1)) / DaysPerEra;
    // Within an era every step is small and non-negative: unsigned division by a constant is the cheapest.
    const auto doe = static_cast<unsigned>(z - era * DaysPerEra);
    const unsigned yoe = (doe - doe / 1460 + doe / 36'524 - doe / 146'096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const auto dayOfMonth = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const auto month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0)), month, dayOfMonth};
}

constexpr bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

/// The day of a valid Gregorian date of the years 1 to 9999, or std::nullopt.
constexpr std::optional<std::int32_t> daysFromCivil(int year, int month, int day)
{
    constexpr int DaysBeforeMonth[13] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) {
        return std::nullopt;
    }
    const bool leap = isLeapYear(year);
    const int monthLength = DaysBeforeMonth[month] - DaysBeforeMonth[month - 1] + (month == 2 && leap ? 1 : 0);
    if (day > monthLength) {
        return std::nullopt;
    }
    const int before = year - 1;
    const int sinceYearOne = before * 365 + before / 4 - before / 100 + before / 400 + DaysBeforeMonth[month - 1] +
                             (month > 2 && leap ? 1 : 0) + day - 1;
    // 0001-01-01 is day -693593 of the count.
    return sinceYearOne - 693'593;
}

} // namespace velmora
