#include "engine/bars/TimeframeEntry.h"

#include "input/SplitCommaText.h"
#include "platform/Numbers.h"
#include "platform/RunError.h"
#include "platform/Text.h"

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

std::int32_t checkedWidth(std::int32_t width, std::string_view entryText)
{
    // Also keeps the magnitude of INT32_MIN from overflowing.
    if (width > MaxEntryWidth || width < -MaxEntryWidth) {
        throw RunError(entryRefusalMessage(EntryRefusal::TooWide, entryText));
    }
    return width;
}

void addPiece(std::string_view piece, std::string_view entryText, std::vector<WidthRun>& runs)
{
    const auto star = piece.find('*');
    if (star == std::string_view::npos) {
        runs.push_back({checkedWidth(StrToInt(piece), entryText), 1});
        return;
    }
    // Parts after the second "*" are ignored, so the count is the text between the first and the second.
    const std::string_view valueText = piece.substr(0, star);
    std::string_view countText = piece.substr(star + 1);
    countText = countText.substr(0, countText.find('*'));
    const std::int32_t value = StrToInt(valueText);
    const std::int32_t count = StrToInt(countText);
    if (count > 0) {
        runs.push_back({checkedWidth(value, entryText), count});
    }
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

std::string entryRefusalMessage(EntryRefusal reason, std::string_view entryText)
{
    // Two sentences joined by a lone CR, as the run's other refusals are.
    std::string entry = "時間足の指定 '" + std::string(entryText) + "' ";
    switch (reason) {
    case EntryRefusal::NotPositive:
        return entry + "では足を作れません。\r足の幅には 1 以上の分数を指定してください";
    case EntryRefusal::NoWidths:
        return entry + "には足の幅がひとつもありません。\r「*」の後の回数には 1 以上を指定してください";
    case EntryRefusal::ZeroWidth:
        return entry + "に幅 0 の足が含まれています。\r足の幅には 0 以外の分数を指定してください";
    case EntryRefusal::OnlyGaps:
        return entry + "には書き出す足がありません。\r正の幅（書き出す足）を少なくともひとつ指定してください";
    case EntryRefusal::TooWide:
        return entry + "の幅が大きすぎます。\r足の幅は " + std::to_string(MaxEntryWidth) +
               " 分（100 年）以下にしてください";
    }
    return entry;
}

std::string normaliseTimeframeBox(std::string_view boxText)
{
    return ReplaceAll(boxText, ".", ",");
}

std::vector<std::string> splitTimeframeList(std::string_view listText)
{
    return SplitCommaText(listText);
}

std::vector<WidthRun> parseWidthSequence(std::string_view entryText)
{
    std::vector<WidthRun> runs;
    std::size_t pieceStart = 0;
    for (std::size_t i = 1; i <= entryText.size(); ++i) {
        if (i == entryText.size() || entryText[i] == '+' || entryText[i] == '-') {
            addPiece(entryText.substr(pieceStart, i - pieceStart), entryText, runs);
            pieceStart = i;
        }
    }
    return runs;
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
    const std::int32_t width = m_daily ? 1440 : StrToInt(text);
    if (width <= 0) {
        // A width of 0 never moves the bucket on; a negative one is a gap with no bar to write.
        throw RunError(entryRefusalMessage(EntryRefusal::NotPositive, text));
    }
    m_currentWidth = checkedWidth(width, text);
    m_position = 0;
}

void TimeframeEntry::resolveSequence(std::string_view text, BarKind kind)
{
    m_daily = kind == BarKind::Daily;
    m_runs = parseWidthSequence(text);
    if (m_runs.empty()) {
        throw RunError(entryRefusalMessage(EntryRefusal::NoWidths, text));
    }
    bool anyBar = false;
    for (const WidthRun& run : m_runs) {
        if (run.width == 0) {
            // A bucket of no width holds no line and would get a fill bar under the next bucket's label.
            throw RunError(entryRefusalMessage(EntryRefusal::ZeroWidth, text));
        }
        anyBar = anyBar || run.width > 0;
    }
    if (!anyBar) {
        throw RunError(entryRefusalMessage(EntryRefusal::OnlyGaps, text));
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
