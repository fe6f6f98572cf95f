#include "engine/bars/TimeframeEntry.h"

#include "platform/RunError.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace velmora {

namespace {

constexpr std::string_view DailyMarker = "1440";
constexpr std::int32_t WeekMinutes = 7 * 1440;
constexpr std::int32_t LongestMonthMinutes = 31 * 1440;

struct Alias
{
    std::string_view text; ///< upper case
    std::int32_t minutes;
};

// The names trading platforms give their timeframes. "MN1" (months) is told from "M1" (one minute) by its
// letters, so letter case decides nothing and any case is taken.
constexpr Alias Aliases[] = {{"M1", 1}, {"M5", 5}, {"M15", 15}, {"M30", 30}, {"H1", 60}, {"H4", 240}, {"D1", 1440}};

bool equalUpper(std::string_view text, std::string_view upper)
{
    return text.size() == upper.size() && std::equal(text.begin(), text.end(), upper.begin(), [](char c, char u) {
               return (c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) == u;
           });
}

CalendarBars calendarOf(std::string_view text)
{
    if (equalUpper(text, "W1")) {
        return CalendarBars::Weeks;
    }
    return equalUpper(text, "MN1") ? CalendarBars::Months : CalendarBars::None;
}

} // namespace

std::optional<std::int32_t> aliasMinutes(std::string_view text)
{
    for (const Alias& alias : Aliases) {
        if (equalUpper(text, alias.text)) {
            return alias.minutes;
        }
    }
    return std::nullopt;
}

std::string_view TimeframeEntry::calendarLabel() const
{
    switch (m_calendar) {
    case CalendarBars::Weeks:
        return "Weekly";
    case CalendarBars::Months:
        return "Monthly";
    case CalendarBars::None:
        break;
    }
    return {};
}

TimeframeEntry TimeframeEntry::ResolveEntry(std::string_view text, BarKind& kind)
{
    TimeframeEntry entry;
    entry.m_text = std::string(text);
    entry.m_sequence = text.find('-') != std::string_view::npos;
    if (entry.m_sequence) {
        entry.resolveSequence(text, kind);
        return entry;
    }
    if (const auto minutes = aliasMinutes(text)) {
        // The alias is its number from here on: the same files, status texts and up-to-date test.
        return ResolveEntry(std::to_string(*minutes), kind);
    }
    entry.resolvePlain(text, kind);
    return entry;
}

void TimeframeEntry::resolvePlain(std::string_view text, BarKind& kind)
{
    m_calendar = calendarOf(text);
    if (m_calendar != CalendarBars::None) {
        kind = BarKind::Daily;
        m_text = m_calendar == CalendarBars::Weeks ? "W1" : "MN1";
        m_currentWidth = m_calendar == CalendarBars::Weeks ? WeekMinutes : LongestMonthMinutes;
        m_position = 0;
        return;
    }
    kind = text == DailyMarker ? BarKind::Daily : BarKind::Minutes;
    m_daily = kind == BarKind::Daily;
    m_currentWidth = m_daily ? 1440 : plainEntryWidth(text);
    m_position = 0;
}

void TimeframeEntry::resolveSequence(std::string_view text, BarKind kind)
{
    m_daily = kind == BarKind::Daily;
    m_runs = parseWidthSequence(text);
    if (const auto refusal = sequenceRefusal(m_runs)) {
        throw RunError(entryRefusalMessage(*refusal, text));
    }
    for (const WidthRun& run : m_runs) {
        const std::int64_t runMinutes = std::abs(std::int64_t{run.width}) * run.count; // below 2^57
        m_cycleMinutes = runMinutes > INT64_MAX - m_cycleMinutes ? INT64_MAX : m_cycleMinutes + runMinutes;
    }
    NextWidth();
}

void TimeframeEntry::NextWidth()
{
    if (!m_sequence) {
        return;
    }
    if (m_position < 0) {
        m_run = 0;
        m_inRun = 0;
        m_position = 0;
    } else if (++m_inRun < m_runs[m_run].count) {
        ++m_position;
    } else {
        m_inRun = 0;
        ++m_run;
        ++m_position;
        if (m_run == m_runs.size()) {
            m_run = 0;
            m_position = 0;
        }
    }
    const std::int32_t element = m_runs[m_run].width;
    m_currentNegative = element < 0;
    m_currentWidth = std::abs(element);
}

std::int64_t TimeframeEntry::skipAhead(std::int64_t minutes)
{
    if (minutes <= 0) {
        return 0;
    }
    if (!m_sequence) {
        return minutes / m_currentWidth * m_currentWidth;
    }
    // From any element, one whole cycle later the sequence stands on the same element again.
    std::int64_t passed = minutes / m_cycleMinutes * m_cycleMinutes;
    std::int64_t left = minutes - passed;
    // Less than a cycle is left, so this visits each run at most once.
    for (;;) {
        const WidthRun& run = m_runs[m_run];
        const std::int64_t width = std::abs(std::int64_t{run.width});
        const std::int64_t inRun = run.count - m_inRun;
        const std::int64_t steps = std::min(inRun, left / width);
        if (steps == 0) {
            break;
        }
        passed += steps * width;
        left -= steps * width;
        m_position += steps;
        if (steps < inRun) {
            m_inRun += steps;
            break;
        }
        m_inRun = 0;
        if (++m_run == m_runs.size()) {
            m_run = 0;
            m_position = 0;
        }
    }
    const std::int32_t element = m_runs[m_run].width;
    m_currentNegative = element < 0;
    m_currentWidth = std::abs(element);
    return passed;
}

} // namespace velmora
