#include "input/DateTimeText.h"
#include "input/layout/LayoutDateTime.h"
#include "input/layout/LayoutDetection.h"

#include <algorithm>
#include <tuple> // tie
#include <vector>

namespace velmora {

namespace {

/// The indices of the file's first and last DetectionLines lines, in file order, each once.
std::vector<std::size_t> endLines(const SourceLines& lines)
{
    std::vector<std::size_t> indices;
    const std::size_t head = std::min(lines.size(), DetectionLines);
    for (std::size_t i = 0; i < head; ++i) {
        indices.push_back(i);
    }
    for (std::size_t i = std::max(head, lines.size() - std::min(lines.size(), DetectionLines)); i < lines.size(); ++i) {
        indices.push_back(i);
    }
    return indices;
}

bool before(const CivilDate& a, const CivilDate& b)
{
    return std::tie(a.year, a.month, a.day) < std::tie(b.year, b.month, b.day);
}

/// Days from the first to the last of the dates.
std::int64_t span(const std::vector<CivilDate>& dates)
{
    const auto [first, last] = std::minmax_element(dates.begin(), dates.end(), before);
    return *daysFromCivil(last->year, last->month, last->day) - *daysFromCivil(first->year, first->month, first->day);
}

/// The moment of a line the usual reading takes, in milliseconds; std::nullopt where it takes none.
std::optional<std::int64_t> usualStamp(std::string_view line, SourceRecord& record, int currentYear)
{
    if (!usualReads(line, record, currentYear)) {
        return std::nullopt;
    }
    const std::string_view date = record.date();
    const auto* const separator = std::find_if(date.begin(), date.end(), [](char c) { return !layout::isDigit(c); });
    const auto day = parseDateText(date, *separator, currentYear);
    const auto ms = parseTimeOfDayMs(record.time());
    if (!day || !ms) {
        return std::nullopt;
    }
    return std::int64_t{*day} * 86'400'000 + *ms;
}

} // namespace

bool datesLookDayFirst(const SourceLines& lines, std::int32_t dateField, int currentYear)
{
    SourceRecord record(dateField);
    std::vector<CivilDate> yearFirst;
    std::vector<CivilDate> dayFirst;
    bool yearFirstBackwards = false;
    for (const std::size_t i : endLines(lines)) {
        if (!usualReads(lines.line(i), record, currentYear)) {
            continue;
        }
        const std::string_view date = record.date();
        if (date.size() != 8 || layout::isDigit(date[2]) || layout::isDigit(date[5])) {
            return false;
        }
        const auto asYearFirst = layout::readDate(date, DateOrder::YearFirst);
        const auto asDayFirst = layout::readDate(date, DateOrder::DayFirst);
        if (!asYearFirst || !asDayFirst || (!dayFirst.empty() && before(*asDayFirst, dayFirst.back()))) {
            return false;
        }
        yearFirstBackwards = yearFirstBackwards || (!yearFirst.empty() && before(*asYearFirst, yearFirst.back()));
        yearFirst.push_back(*asYearFirst);
        dayFirst.push_back(*asDayFirst);
    }
    return yearFirst.size() > 1 && (yearFirstBackwards || span(yearFirst) > span(dayFirst));
}

std::optional<std::size_t> backwardsFrom(const SourceLines& lines, std::int32_t dateField, int currentYear)
{
    SourceRecord record(dateField);
    std::optional<std::int64_t> last;
    std::size_t first = 0;
    std::size_t back = 0;
    std::size_t forth = 0;
    for (std::size_t i = 0; i < std::min(lines.size(), DetectionLines); ++i) {
        const auto stamp = usualStamp(lines.line(i), record, currentYear);
        if (!stamp) {
            continue;
        }
        if (last) {
            back += *stamp < *last ? 1U : 0U;
            forth += *stamp > *last ? 1U : 0U;
        } else {
            first = i;
        }
        last = stamp;
    }
    // Most steps back, not one stray line: a file in time order may hold a few lines out of place.
    if (back >= 2 && back > 3 * forth) {
        return first;
    }
    return std::nullopt;
}

} // namespace velmora
