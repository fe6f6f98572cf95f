#include "engine/settings/DaylightRules.h"

#include "engine/settings/RunBoxes.h"
#include "engine/settings/SettingRanges.h"
#include "input/CivilDays.h"

#include <algorithm>
#include <array>
#include <cstdlib> // getenv
#include <filesystem>
#include <fstream>
#include <iterator>

#ifdef VELMORA_ZONE_DATABASE
#include <date/tz.h>
#endif

namespace velmora {

namespace {

constexpr std::array<DaylightRegimeInfo, 5> Regimes{{
    {DaylightRegime::UnitedStatesEastern, "米国 東部時間 (ニューヨーク)", 1987, "America/New_York"},
    {DaylightRegime::UnitedStatesCentral, "米国 中部時間 (シカゴ)", 1987, "America/Chicago"},
    {DaylightRegime::UnitedStatesMountain, "米国 山岳部時間 (デンバー)", 1987, "America/Denver"},
    {DaylightRegime::UnitedStatesPacific, "米国 太平洋時間 (ロサンゼルス)", 1987, "America/Los_Angeles"},
    {DaylightRegime::EuropeanUnion, "EU (ロンドン、フランクフルトなど)", 1996, "Europe/London"},
}};

std::string yearText(int year)
{
    return std::to_string(year);
}

std::int64_t yearStart(int year)
{
    return std::int64_t{*daysFromCivil(year, 1, 1)} * MinutesPerDay;
}

/// One offset of a zone between two changes, in minute stamps (UTC), the offset in minutes east of UTC.
struct Stretch
{
    std::int64_t begin = 0;
    std::int64_t end = 0;
    std::int64_t offset = 0;
    bool daylight = false;
};

#ifdef VELMORA_ZONE_DATABASE

/// A TZif footer's rule for the years after the listed changes: "EST5EDT,M3.2.0,M11.1.0". Only the
/// month-week-weekday form is read, which nearly every zone uses; the rest give no later changes.
struct FooterRule
{
    struct Change
    {
        int month = 0;
        int week = 0; // 5 is the last
        int weekday = 0;
        std::int64_t minutes = 120; // local time of day, may pass midnight either way
    };
    std::int64_t standardOffset = 0; // minutes east of UTC
    std::int64_t daylightOffset = 0;
    Change toDaylight;
    Change toStandard;
};

class FooterReader
{
public:
    explicit FooterReader(std::string_view text) : m_text(text) {}

    std::optional<FooterRule> read()
    {
        FooterRule rule;
        if (!skipName()) {
            return std::nullopt;
        }
        const auto standard = offset();
        if (!standard) {
            return std::nullopt;
        }
        rule.standardOffset = -*standard; // POSIX counts west of UTC
        if (m_text.empty() || !skipName()) {
            return std::nullopt; // no daylight time at all
        }
        rule.daylightOffset = rule.standardOffset + 60;
        if (!m_text.empty() && m_text.front() != ',') {
            const auto daylight = offset();
            if (!daylight) {
                return std::nullopt;
            }
            rule.daylightOffset = -*daylight;
        }
        if (!take(',') || !change(rule.toDaylight) || !take(',') || !change(rule.toStandard) || !m_text.empty()) {
            return std::nullopt;
        }
        return rule;
    }

private:
    bool take(char c)
    {
        if (m_text.empty() || m_text.front() != c) {
            return false;
        }
        m_text.remove_prefix(1);
        return true;
    }

    bool skipName()
    {
        if (take('<')) {
            const auto close = m_text.find('>');
            m_text.remove_prefix(close == std::string_view::npos ? m_text.size() : close + 1);
            return close != std::string_view::npos;
        }
        std::size_t length = 0;
        while (length < m_text.size() &&
               ((m_text[length] >= 'A' && m_text[length] <= 'Z') || (m_text[length] >= 'a' && m_text[length] <= 'z'))) {
            ++length;
        }
        m_text.remove_prefix(length);
        return length >= 3;
    }

    std::optional<std::int64_t> number()
    {
        std::int64_t value = 0;
        std::size_t digits = 0;
        while (!m_text.empty() && m_text.front() >= '0' && m_text.front() <= '9') {
            value = value * 10 + (m_text.front() - '0');
            m_text.remove_prefix(1);
            ++digits;
        }
        return digits == 0 || digits > 3 ? std::nullopt : std::optional(value);
    }

    /// [+-]hh[:mm[:ss]] in minutes (seconds dropped: no zone changes at a second).
    std::optional<std::int64_t> offset()
    {
        std::int64_t sign = 1;
        if (take('-')) {
            sign = -1;
        } else {
            take('+');
        }
        const auto hours = number();
        if (!hours) {
            return std::nullopt;
        }
        std::int64_t minutes = *hours * 60;
        for (int part = 0; part < 2 && take(':'); ++part) {
            const auto more = number();
            if (!more) {
                return std::nullopt;
            }
            minutes += part == 0 ? *more : 0;
        }
        return sign * minutes;
    }

    bool change(FooterRule::Change& change)
    {
        if (!take('M')) {
            return false;
        }
        // A missing piece reads as -1, which no range takes.
        const auto month = number().value_or(-1);
        const auto week = take('.') ? number().value_or(-1) : -1;
        const auto weekday = take('.') ? number().value_or(-1) : -1;
        if (month < 1 || month > 12 || week < 1 || week > 5 || weekday < 0 || weekday > 6) {
            return false;
        }
        change.month = static_cast<int>(month);
        change.week = static_cast<int>(week);
        change.weekday = static_cast<int>(weekday);
        if (take('/')) {
            const auto time = offset();
            if (!time) {
                return false;
            }
            change.minutes = *time;
        }
        return true;
    }

    std::string_view m_text;
};

/// The UTC minute stamp of a footer change in a year, the local time read with the offset in force before it.
std::int64_t changeUtc(const FooterRule::Change& change, int year, std::int64_t offsetBefore)
{
    const std::int64_t first = *daysFromCivil(year, change.month, 1);
    const std::int64_t next =
        change.month == 12 ? *daysFromCivil(year + 1, 1, 1) : *daysFromCivil(year, change.month + 1, 1);
    std::int64_t day =
        first + (change.weekday - (weekdayOfDay(first) - 1) + 7) % 7 + std::int64_t{7} * (change.week - 1);
    while (day >= next) {
        day -= 7;
    }
    return day * MinutesPerDay + change.minutes - offsetBefore;
}

std::filesystem::path zoneFile(std::string_view zone)
{
    const char* dir = std::getenv("TZDIR");
    return std::filesystem::path(dir != nullptr && *dir != '\0' ? dir : "/usr/share/zoneinfo") / std::string(zone);
}

/// The footer of a zone's TZif file (version 2 on), or std::nullopt.
std::optional<FooterRule> footerRuleOf(std::string_view zone)
{
    std::ifstream file(zoneFile(zone), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < 6 || bytes.compare(0, 4, "TZif") != 0 || bytes[4] < '2' || bytes.back() != '\n') {
        return std::nullopt;
    }
    const auto open = bytes.rfind('\n', bytes.size() - 2);
    if (open == std::string::npos) {
        return std::nullopt;
    }
    return FooterReader(std::string_view(bytes).substr(open + 1, bytes.size() - open - 2)).read();
}

std::int64_t stampOf(date::sys_seconds time)
{
    return std::chrono::floor<std::chrono::minutes>(time.time_since_epoch()).count() + UnixEpochStamp;
}

date::sys_seconds sysSeconds(std::int64_t stamp)
{
    return date::sys_seconds{std::chrono::minutes{stamp - UnixEpochStamp}};
}

/// The zone's stretches that overlap [from, to), the last listed one continued by the footer's rule.
std::optional<std::vector<Stretch>> stretchesOf(std::string_view zone, std::int64_t from, std::int64_t to)
{
    const date::time_zone* database = nullptr;
    try {
        database = date::locate_zone(zone);
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
    // The database ends its last stretch at the end of its calendar; anything past the years asked is as far.
    const std::int64_t farEnd = yearStart(LastDaylightYear + 10);
    std::vector<Stretch> stretches;
    std::int64_t at = from;
    while (at < to) {
        const date::sys_info info = database->get_info(sysSeconds(at));
        const std::int64_t end = std::min(stampOf(info.end), farEnd);
        stretches.push_back({stampOf(info.begin), end, std::chrono::floor<std::chrono::minutes>(info.offset).count(),
                             info.save != std::chrono::minutes::zero()});
        if (end >= farEnd) {
            break;
        }
        at = end;
    }
    if (stretches.empty() || stretches.back().end < farEnd || stretches.back().begin >= to) {
        return stretches;
    }
    const auto rule = footerRuleOf(zone);
    if (!rule || rule->standardOffset == rule->daylightOffset) {
        return stretches;
    }
    // The open-ended last stretch stands for the years the file lists no more: the footer's changes go on.
    Stretch last = stretches.back();
    stretches.pop_back();
    for (int year = civilFromDays(last.begin / MinutesPerDay).year; year <= civilFromDays(to / MinutesPerDay).year + 1;
         ++year) {
        const std::int64_t toDaylight = changeUtc(rule->toDaylight, year, rule->standardOffset);
        const std::int64_t toStandard = changeUtc(rule->toStandard, year, rule->daylightOffset);
        std::array<std::pair<std::int64_t, bool>, 2> changes{{{toDaylight, true}, {toStandard, false}}};
        std::sort(changes.begin(), changes.end());
        for (const auto& [when, daylight] : changes) {
            if (when <= last.begin) {
                continue;
            }
            last.end = when;
            stretches.push_back(last);
            last = {when, farEnd, daylight ? rule->daylightOffset : rule->standardOffset, daylight};
        }
    }
    stretches.push_back(last);
    return stretches;
}

#else

std::optional<std::vector<Stretch>> stretchesOf(std::string_view, std::int64_t, std::int64_t)
{
    return std::nullopt;
}

#endif

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

std::vector<std::string> daylightZones()
{
    std::vector<std::string> names;
#ifdef VELMORA_ZONE_DATABASE
    try {
        for (const date::time_zone& zone : date::get_tzdb().zones) {
            names.emplace_back(zone.name());
        }
    } catch (const std::runtime_error&) {
        names.clear();
    }
    std::sort(names.begin(), names.end());
#endif
    return names;
}

std::optional<std::vector<DaylightPeriod>> daylightPeriodsUtc(std::string_view zone, int firstYear, int lastYear)
{
    const std::int64_t from = yearStart(firstYear);
    const std::int64_t to = yearStart(lastYear + 1);
    // A year's first summer may have begun the year before, and its last end the year after.
    const auto stretches =
        stretchesOf(zone, from - std::int64_t{366} * MinutesPerDay, to + std::int64_t{366} * MinutesPerDay);
    if (!stretches) {
        return std::nullopt;
    }
    const auto summer = [&stretches](std::size_t i) {
        const Stretch& s = (*stretches)[i];
        const auto higherThan = [&s](const Stretch& other) {
            return other.daylight != s.daylight && s.offset > other.offset;
        };
        return (i > 0 && higherThan((*stretches)[i - 1])) ||
               (i + 1 < stretches->size() && higherThan((*stretches)[i + 1]));
    };
    std::vector<DaylightPeriod> periods;
    std::int64_t lastEnd = -1;
    for (std::size_t i = 0; i < stretches->size(); ++i) {
        if (!summer(i)) {
            continue;
        }
        const Stretch& s = (*stretches)[i];
        // One summer written as two stretches (a change of name only) is one period.
        if (!periods.empty() && s.begin == lastEnd) {
            periods.back().end = static_cast<MinuteStamp>(s.end);
        } else if (s.begin >= from && s.begin < to) {
            periods.push_back({static_cast<MinuteStamp>(s.begin), static_cast<MinuteStamp>(s.end)});
        } else {
            continue;
        }
        lastEnd = s.end;
    }
    return periods;
}

std::optional<DaylightPeriod> daylightPeriodUtc(DaylightRegime regime, int year)
{
    const DaylightRegimeInfo& info = daylightRegimeInfo(regime);
    if (year < info.firstYear || year > LastDaylightYear) {
        return std::nullopt;
    }
    const auto periods = daylightPeriodsUtc(info.zone, year, year);
    if (!periods || periods->empty()) {
        return std::nullopt;
    }
    return periods->front();
}

std::optional<std::string> daylightRequestProblem(const DaylightRequest& request)
{
    const auto& info = daylightRegimeInfo(request.regime);
    if (request.lastYear < request.firstYear) {
        return std::string("終了年が開始年より前です");
    }
    if (request.zone.empty() && request.firstYear < info.firstYear) {
        return std::string(info.name) + " の規則は " + yearText(info.firstYear) + " 年以降について入力できます";
    }
    if (request.firstYear < 1) {
        return std::string("開始年は 1 年以降を指定してください");
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
    const std::string zone = request.zone.empty() ? std::string(info.zone) : request.zone;
    const auto periods = daylightPeriodsUtc(zone, request.firstYear, request.lastYear);
    if (!periods) {
        return "タイムゾーン「" + zone + "」が見つかりません";
    }
    if (periods->empty()) {
        return zone + " には " + yearText(request.firstYear) + " 年から " + yearText(request.lastYear) +
               " 年に始まる夏時間がありません";
    }
    return std::nullopt;
}

std::vector<SummerRowTexts> daylightRows(const DaylightRequest& request)
{
    std::vector<SummerRowTexts> rows;
    if (daylightRequestProblem(request)) {
        return rows;
    }
    const std::string_view zone = request.zone.empty() ? daylightRegimeInfo(request.regime).zone : request.zone;
    // The table compares bar labels in the source data's own clock, so the UTC instants move into it.
    const MinuteStamp offset = request.sourceUtcOffsetHours * 60;
    const std::string shift = std::to_string(request.shiftMinutes);
    const auto periods = daylightPeriodsUtc(zone, request.firstYear, request.lastYear);
    for (const DaylightPeriod& period : *periods) {
        rows.push_back({formatPeriodText(period.start + offset), formatPeriodText(period.end + offset), shift});
    }
    return rows;
}

} // namespace velmora
