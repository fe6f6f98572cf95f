#include "input/layout/LayoutDetection.h"

#include "input/DateTimeText.h"
#include "input/layout/LayoutDateTime.h"
#include "input/layout/LayoutRewriter.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace velmora {

namespace {

/// How well a layout reads the first lines: how many it reads; 0 where a bar's prices are out of order or the
/// dates run both ways, which a wrong layout shows and a right one does not. Dates may run backwards all along,
/// as in a file written newest line first.
std::size_t fit(const SourceLines& lines, std::size_t count, const SourceLayout& layout)
{
    std::size_t read = 0;
    std::string text;
    SourceRecord record;
    std::string lastDate;
    bool forth = false;
    bool back = false;
    for (std::size_t i = 0; i < count; ++i) {
        text.clear();
        if (!rewriteLine(lines.line(i), layout, 1, text)) {
            continue;
        }
        record.split(text);
        const std::string_view date = record.date();
        if (!lastDate.empty()) {
            forth = forth || date > lastDate;
            back = back || date < lastDate;
        }
        if (forth && back) {
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

/// True when the usual reading takes one of the first lines with its prices in order.
bool usualReadsInOrder(const SourceLines& lines, std::size_t count, std::int32_t dateField, int currentYear)
{
    SourceRecord record(dateField);
    for (std::size_t i = 0; i < count; ++i) {
        if (!usualReads(lines.line(i), record, currentYear)) {
            continue;
        }
        double high = 0;
        double low = 0;
        readDecimal(record.high(), high);
        readDecimal(record.low(), low);
        if (!pricesOutOfOrder(record.open(), high, low, record.close())) {
            return true;
        }
    }
    return false;
}

/// The date orders tried, best guess first: a slash date is more often month-first (US), a dotted one day-first,
/// so the order that reads the same lines equally well is the one tried first.
std::vector<DateOrder> ordersToTry(const SourceLines& lines, std::size_t count, const SourceLayout& requested)
{
    if (requested.isGiven(SourceLayout::GivenDateOrder)) {
        return {requested.dateOrder};
    }
    bool slash = false;
    for (std::size_t i = 0; i < count && !slash; ++i) {
        slash = lines.line(i).find('/') != std::string_view::npos;
    }
    if (slash) {
        return {DateOrder::YearFirst, DateOrder::MonthFirst, DateOrder::DayFirst, DateOrder::Epoch};
    }
    return {DateOrder::YearFirst, DateOrder::DayFirst, DateOrder::MonthFirst, DateOrder::Epoch};
}

/// Columns the date is looked for in: fields before it hold a symbol or an index.
constexpr int LeadingColumns = 4;

/// Every layout detection tries, in the order of preference: the given parts kept, the others varied.
std::vector<SourceLayout> candidates(const SourceLines& lines, std::size_t count, const SourceLayout& requested)
{
    const SourceLayout base = givenParts(requested);
    const auto choices = [&requested](SourceLayout::Given part, auto kept, auto all) {
        return requested.isGiven(part) ? std::vector{kept} : std::vector(all.begin(), all.end());
    };
    const auto columns = choices(SourceLayout::GivenDateColumn, base.dateColumn, std::array{1, 2, 3, LeadingColumns});
    const auto prices =
        choices(SourceLayout::GivenPrices, base.prices, std::array{PriceColumns::Ohlc, PriceColumns::Bid});
    const auto commas = choices(SourceLayout::GivenDecimalComma, base.decimalComma, std::array{false, true});
    std::vector<SourceLayout> list;
    for (const int column : columns) {
        for (const DateOrder order : ordersToTry(lines, count, requested)) {
            for (const PriceColumns price : prices) {
                for (const bool comma : commas) {
                    SourceLayout layout = base;
                    layout.dateColumn = column;
                    layout.dateOrder = order;
                    layout.prices = price;
                    layout.decimalComma = comma;
                    list.push_back(layout);
                }
            }
        }
    }
    return list;
}

} // namespace

SourceLayout givenParts(const SourceLayout& requested)
{
    SourceLayout layout = chosenLayout(DateOrder::YearFirst);
    if (requested.isGiven(SourceLayout::GivenDateOrder)) {
        layout.dateOrder = requested.dateOrder;
    }
    if (requested.isGiven(SourceLayout::GivenSeparator)) {
        layout.separator = requested.separator;
    }
    if (requested.isGiven(SourceLayout::GivenDecimalComma)) {
        layout.decimalComma = requested.decimalComma;
    }
    if (requested.isGiven(SourceLayout::GivenPrices)) {
        layout.prices = requested.prices;
    }
    if (requested.isGiven(SourceLayout::GivenDateColumn)) {
        layout.dateColumn = requested.dateColumn;
    }
    if (requested.isGiven(SourceLayout::GivenVolumeColumn)) {
        layout.volumeColumn = requested.volumeColumn;
    }
    return layout;
}

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

std::optional<SourceLayout> detectLayout(const SourceLines& lines, std::int32_t dateField, int currentYear,
                                         const SourceLayout& requested)
{
    const std::size_t count = std::min(lines.size(), DetectionLines);
    if (requested.given == 0 && usualReadsInOrder(lines, count, dateField, currentYear)) {
        return std::nullopt;
    }
    if (requested.given != 0 && fit(lines, count, givenParts(requested)) > 0) {
        return givenParts(requested);
    }
    std::optional<SourceLayout> best;
    std::size_t bestRead = 0;
    for (const SourceLayout& layout : candidates(lines, count, requested)) {
        const std::size_t read = fit(lines, count, layout);
        if (read > bestRead) {
            best = layout;
            bestRead = read;
        }
    }
    if (!best && requested.given != 0) {
        return givenParts(requested);
    }
    return best;
}

} // namespace velmora
