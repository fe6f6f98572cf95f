#include "engine/settings/DaylightRules.h"

#include "engine/bars/SummerShiftTable.h"
#include "engine/settings/SettingRanges.h"

#include <array>
#include <cstdio> // snprintf

namespace velmora {

namespace {

constexpr std::array<DaylightRegimeInfo, 5> Regimes{{
    {DaylightRegime::UnitedStatesEastern, "米国 東部時間 (ニューヨーク)", 1987},
    {DaylightRegime::UnitedStatesCentral, "米国 中部時間 (シカゴ)", 1987},
    {DaylightRegime::UnitedStatesMountain, "米国 山岳部時間 (デンバー)", 1987},
    {DaylightRegime::UnitedStatesPacific, "米国 太平洋時間 (ロサンゼルス)", 1987},
    {DaylightRegime::EuropeanUnion, "EU (ロンドン、フランクフルトなど)", 1996},
}};

constexpr int MinutesPerDay = 1440;
constexpr std::int32_t MsPerSecond = 1000;

struct Civil
{
    int year;
    int month;
    int day;
};

// Days since 1899-12-30 to a Gregorian date (the usual era-based conversion, valid for negative days too).
Civil civilFromDays(std::int64_t days)
{
    const std::int64_t z = days - 25569 + 719468; // 1899-12-30 is 25569 days before 1970-01-01
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    return {static_cast<int>(year), static_cast<int>(month), static_cast<int>(day)};
}

// 0 = Sunday. Day 0, 1899-12-30, was a Saturday.
int weekday(std::int32_t days)
{
    const int rest = (days + 6) % 7;
    return rest < 0 ? rest + 7 : rest;
}

std::int32_t nthSunday(int year, int month, int n)
{
    const std::int32_t first = *daysFromCivil(year, month, 1);
    return first + (7 - weekday(first)) % 7 + 7 * (n - 1);
}

std::int32_t lastSunday(int year, int month)
{
    const std::int32_t last = *daysFromCivil(year, month + 1, 1) - 1;
    return last - weekday(last);
}

// Standard time of a US zone, in hours east of UTC.
int usStandardOffset(DaylightRegime regime)
{
    switch (regime) {
    case DaylightRegime::UnitedStatesEastern:
        return -5;
    case DaylightRegime::UnitedStatesCentral:
        return -6;
    case DaylightRegime::UnitedStatesMountain:
        return -7;
    case DaylightRegime::UnitedStatesPacific:
        return -8;
    case DaylightRegime::EuropeanUnion:
        break;
    }
    return 0;
}

MinuteStamp at(std::int32_t days, int hour)
{
    return days * MinutesPerDay + hour * 60;
}

std::string yearText(int year)
{
    return std::to_string(year);
}

} // namespace

std::span<const DaylightRegimeInfo> daylightRegimes()
{
    return Regimes;
}

const DaylightRegimeInfo& daylightRegimeInfo(DaylightRegime regime)
{
    for (const auto& info : Regimes) {
        if (info.regime == regime) {
            return info;
        }
    }
    return Regimes.front();
}

std::optional<DaylightPeriod> daylightPeriodUtc(DaylightRegime regime, int year)
{
    if (year < daylightRegimeInfo(regime).firstYear || year > LastDaylightYear) {
        return std::nullopt;
    }
    if (regime == DaylightRegime::EuropeanUnion) {
        return DaylightPeriod{at(lastSunday(year, 3), 1), at(lastSunday(year, 10), 1)};
    }
    // Both ends at 2:00 local time: standard time when the period starts, daylight time when it ends.
    const int standard = usStandardOffset(regime);
    const int startHour = 2 - standard;
    const int endHour = 2 - (standard + 1);
    if (year >= 2007) {
        return DaylightPeriod{at(nthSunday(year, 3, 2), startHour), at(nthSunday(year, 11, 1), endHour)};
    }
    return DaylightPeriod{at(nthSunday(year, 4, 1), startHour), at(lastSunday(year, 10), endHour)};
}

std::optional<std::string> daylightRequestProblem(const DaylightRequest& request)
{
    const auto& info = daylightRegimeInfo(request.regime);
    if (request.lastYear < request.firstYear) {
        return std::string("終了年が開始年より前です");
    }
    if (request.firstYear < info.firstYear) {
        return std::string(info.name) + " の規則は " + yearText(info.firstYear) + " 年以降について入力できます";
    }
    if (request.lastYear > LastDaylightYear) {
        return yearText(LastDaylightYear) + " 年より後の年は入力できません";
    }
    if (request.lastYear - request.firstYear >= MaxDaylightYears) {
        return "一度に入力できるのは " + yearText(MaxDaylightYears) + " 年分までです";
    }
    if (!SourceUtcOffsetHoursRange.contains(request.sourceUtcOffsetHours)) {
        return "データの時刻の UTC からの時差は " + std::to_string(SourceUtcOffsetHoursRange.minimum) + " から " +
               std::to_string(SourceUtcOffsetHoursRange.maximum) + " 時間の範囲で指定してください";
    }
    return std::nullopt;
}

std::vector<SummerRowTexts> daylightRows(const DaylightRequest& request)
{
    std::vector<SummerRowTexts> rows;
    if (daylightRequestProblem(request)) {
        return rows;
    }
    // The table compares bar labels in the source data's own clock, so the UTC instants move into it.
    const MinuteStamp offset = request.sourceUtcOffsetHours * 60;
    const std::string shift = std::to_string(request.shiftMinutes);
    for (int year = request.firstYear; year <= request.lastYear; ++year) {
        const auto period = daylightPeriodUtc(request.regime, year);
        rows.push_back({formatPeriodText(period->start + offset), formatPeriodText(period->end + offset), shift});
    }
    return rows;
}

std::string formatPeriodText(std::int32_t days, std::int32_t msOfDay)
{
    const Civil date = civilFromDays(days);
    std::array<char, 40> buffer{};
    int length = std::snprintf(buffer.data(), buffer.size(), "%04d/%02d/%02d", date.year, date.month, date.day);
    if (msOfDay != 0) {
        const std::int32_t seconds = msOfDay / MsPerSecond;
        const auto rest = static_cast<std::size_t>(length);
        length += std::snprintf(buffer.data() + rest, buffer.size() - rest, " %d:%02d:%02d", seconds / 3600,
                                seconds / 60 % 60, seconds % 60);
    }
    return {buffer.data(), static_cast<std::size_t>(length)};
}

std::string formatPeriodText(MinuteStamp stamp)
{
    std::int32_t days = stamp / MinutesPerDay;
    std::int32_t minutes = stamp % MinutesPerDay;
    if (minutes < 0) {
        days -= 1;
        minutes += MinutesPerDay;
    }
    return formatPeriodText(days, minutes * 60 * MsPerSecond);
}

std::optional<std::string> normalizedPeriodText(std::string_view typed, int currentYear)
{
    // Accept exactly what the run will read, then take the parts again to keep the seconds it drops.
    if (!parsePeriodText(typed, currentYear)) {
        return std::nullopt;
    }
    while (!typed.empty() && (typed.front() == ' ' || typed.front() == '\t')) {
        typed.remove_prefix(1);
    }
    while (!typed.empty() && (typed.back() == ' ' || typed.back() == '\t')) {
        typed.remove_suffix(1);
    }
    const auto blank = typed.find_first_of(" \t");
    const std::string_view datePart = typed.substr(0, blank);
    const auto days = parseDateText(datePart, '/', currentYear);
    if (!days) {
        // A time alone stands for that time on the first day of the calendar.
        const auto ms = parseTimeOfDayMs(typed);
        return ms ? std::optional(formatPeriodText(0, *ms)) : std::nullopt;
    }
    if (blank == std::string_view::npos) {
        return formatPeriodText(*days, 0);
    }
    std::string_view timePart = typed.substr(blank);
    while (!timePart.empty() && (timePart.front() == ' ' || timePart.front() == '\t')) {
        timePart.remove_prefix(1);
    }
    const auto ms = parseTimeOfDayMs(timePart);
    return ms ? std::optional(formatPeriodText(*days, *ms)) : std::nullopt;
}

} // namespace velmora
