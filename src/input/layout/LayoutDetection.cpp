#include "input/layout/LayoutDetection.h"

#include "input/DateTimeText.h"
#include "input/layout/LayoutDateTime.h"
#include "input/layout/LayoutRewriter.h"

#include <algorithm>
#include <array>
#include <string>
#include <tuple> // tie

namespace velmora {

namespace {

/// How well a layout reads the first lines: how many it reads; 0 where a bar's prices are out of order or the
/// dates run backwards, which a wrong layout shows and a right one does not.
std::size_t fit(const SourceLines& lines, std::size_t count, const SourceLayout& layout)
{
    std::size_t read = 0;
    std::string text;
    SourceRecord record;
    std::string lastDate;
    for (std::size_t i = 0; i < count; ++i) {
        text.clear();
        if (!rewriteLine(lines.line(i), layout, 1, text)) {
            continue;
        }
        record.split(text);
        const std::string_view date = record.date();
        if (std::string(date) < lastDate) {
            return 0;
        }
        lastDate = date;
        double high = 0;
        double low = 0;
        readDecimal(record.high(), high);
        readDecimal(record.low(), low);
        if (pricesOutOfOrder(record.open(), high, low, record.close())) {
            return 0;
        }
        ++read;
    }
    return read;
}

} // namespace

bool usualReads(std::string_view line, SourceRecord& record, int currentYear)
{
    record.split(line);
    if (!record.complete()) {
        return false;
    }
    double value = 0;
    for (const std::string_view price : {record.open(), record.high(), record.low(), record.close()}) {
        if (!readDecimal(price, value)) {
            return false;
        }
    }
    const std::string_view time = record.time();
    if (time.find(':') == std::string_view::npos || !parseTimeOfDayMs(time)) {
        return false;
    }
    const std::string_view date = record.date();
    const auto* const separator = std::find_if(date.begin(), date.end(), [](char c) { return !layout::isDigit(c); });
    return separator != date.end() && parseDateText(date, *separator, currentYear).has_value();
}

std::optional<SourceLayout> detectLayout(const SourceLines& lines, std::int32_t dateField, int currentYear)
{
    const std::size_t count = std::min(lines.size(), DetectionLines);
    SourceRecord record(dateField);
    for (std::size_t i = 0; i < count; ++i) {
        if (usualReads(lines.line(i), record, currentYear)) {
            return std::nullopt;
        }
    }
    // A slash date is more often month-first (US), a dotted one day-first: the order that reads the same lines
    // equally well is the one tried first.
    bool slash = false;
    for (std::size_t i = 0; i < count && !slash; ++i) {
        slash = lines.line(i).find('/') != std::string_view::npos;
    }
    const std::array<DateOrder, 3> orders =
        slash ? std::array{DateOrder::YearFirst, DateOrder::MonthFirst, DateOrder::DayFirst}
              : std::array{DateOrder::YearFirst, DateOrder::DayFirst, DateOrder::MonthFirst};
    std::optional<SourceLayout> best;
    std::size_t bestRead = 0;
    for (const DateOrder order : orders) {
        for (const PriceColumns prices : {PriceColumns::Ohlc, PriceColumns::Bid}) {
            for (const bool decimalComma : {false, true}) {
                const SourceLayout layout = chosenLayout(order, FieldSeparator::Any, decimalComma, prices);
                const std::size_t read = fit(lines, count, layout);
                if (read > bestRead) {
                    best = layout;
                    bestRead = read;
                }
            }
        }
    }
    return best;
}

bool datesLookDayFirst(const SourceLines& lines, std::int32_t dateField, int currentYear)
{
    const std::size_t count = std::min(lines.size(), DetectionLines);
    SourceRecord record(dateField);
    std::optional<CivilDate> lastYearFirst;
    std::optional<CivilDate> lastDayFirst;
    bool yearFirstBackwards = false;
    std::size_t seen = 0;
    const auto before = [](const CivilDate& a, const CivilDate& b) {
        return std::tie(a.year, a.month, a.day) < std::tie(b.year, b.month, b.day);
    };
    for (std::size_t i = 0; i < count; ++i) {
        if (!usualReads(lines.line(i), record, currentYear)) {
            continue;
        }
        const std::string_view date = record.date();
        if (date.size() != 8 || layout::isDigit(date[2]) || layout::isDigit(date[5])) {
            return false;
        }
        const auto yearFirst = layout::readDate(date, DateOrder::YearFirst);
        const auto dayFirst = layout::readDate(date, DateOrder::DayFirst);
        if (!yearFirst || !dayFirst || (lastDayFirst && before(*dayFirst, *lastDayFirst))) {
            return false;
        }
        yearFirstBackwards = yearFirstBackwards || (lastYearFirst && before(*yearFirst, *lastYearFirst));
        lastYearFirst = yearFirst;
        lastDayFirst = dayFirst;
        ++seen;
    }
    return seen > 1 && yearFirstBackwards;
}

} // namespace velmora
