#include "input/layout/QuickRewrite.h"

#include "input/CivilDays.h"
#include "input/layout/LayoutDateTime.h"
#include "input/layout/LayoutPrices.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring> // memcpy

namespace velmora::layout {

namespace {

/// A price of plain digits with at most one decimal point (a comma under decimalComma) and 15 digits at most,
/// copied with a point; what the general reading takes without reading it as a number. Told from the masks of
/// the line's first 64 bytes where the price lies in them.
struct PlainPrices
{
    const char* window = nullptr;
    std::size_t windowSize = 0;
    std::uint64_t digits = 0;
    std::uint64_t points = 0; ///< of the decimal point or comma
    std::uint64_t cuts = 0;   ///< of the separator
    char point = '.';

    /// Whether text lies in the window and is plain; pointAt is then the place of its point in it, or npos.
    bool plainInWindow(std::string_view text, std::size_t& pointAt) const
    {
        if (text.empty() || text.size() > 16 || text.data() < window) {
            return false;
        }
        const auto offset = static_cast<std::size_t>(text.data() - window);
        if (offset + text.size() > windowSize) {
            return false;
        }
        const std::uint64_t range = bitsBelow(static_cast<unsigned>(text.size())) << offset;
        const std::uint64_t pointBits = points & range;
        // Every byte a digit or a point, one point at most, 15 digits at most.
        const std::size_t digitCount = text.size() - (pointBits != 0 ? 1 : 0);
        if (((digits | pointBits) & range) != range || (pointBits & (pointBits - 1)) != 0 || digitCount == 0 ||
            digitCount > 15) {
            return false;
        }
        pointAt =
            pointBits == 0 ? std::string_view::npos : static_cast<std::size_t>(std::countr_zero(pointBits)) - offset;
        return true;
    }

    bool operator()(std::string_view text, Pen& out) const
    {
        std::size_t pointAt = std::string_view::npos;
        if (!plainInWindow(text, pointAt) && !plainDecimal(text, point, pointAt)) {
            return false;
        }
        char* const start = out.at;
        out.put(text);
        if (pointAt != std::string_view::npos) {
            start[pointAt] = '.';
        }
        return true;
    }
};

/// Fields the quick path looks at after the date's column: date, time, zone, four prices and a volume.
constexpr std::size_t QuickFieldCount = 8;
/// The furthest column of the date the quick path takes: a symbol or an index or two may stand before it.
constexpr int QuickDateColumns = 4;

/// The separator of a line no longer than 64 bytes under FieldSeparator::Any, from its masks: as separatorOf.
char separatorFromMasks(const LayoutMasks& masks, std::uint64_t looked)
{
    if ((masks.tabs & looked) != 0) {
        return '\t';
    }
    if ((masks.semicolons & looked) != 0) {
        return ';';
    }
    return (masks.commas & looked) != 0 ? ',' : ' ';
}

/// Cuts the fields that end in one 64-byte window of a line starting at base (its bytes below looked), the
/// current field having started at start; false where a byte the general reading must see lies before where
/// the cutting stops: a quote, a carriage return, a tab that is not the separator, a blank outside the first
/// field.
bool cutWindow(const char* text, std::size_t base, const LayoutMasks& masks, char separator, std::uint64_t looked,
               std::size_t limit, std::size_t& start, Fields& fields)
{
    const std::uint64_t cutBits = separator == ',' ? masks.commas : (separator == ';' ? masks.semicolons : masks.tabs);
    const std::uint64_t odd = masks.odd | (separator == '\t' ? 0U : masks.tabs);
    // The count is kept here rather than in fields: a store to a field would make it be read back each time.
    std::size_t count = fields.count;
    std::uint64_t blanksAllowed = count == 0 ? ~std::uint64_t{0} : 0;
    for (std::uint64_t cuts = cutBits & looked; cuts != 0; cuts &= cuts - 1) {
        const auto at = static_cast<unsigned>(std::countr_zero(cuts));
        if (count == 0) {
            blanksAllowed = bitsBelow(at);
        }
        fields.items[count++] = {text + start, base + at - start};
        start = base + at + 1;
        if (count == limit) {
            looked = bitsBelow(at);
            break;
        }
    }
    fields.count = count;
    return ((odd | (masks.blanks & ~blanksAllowed)) & looked) == 0;
}

/// Cuts the first fields of a line at its separator, 64 bytes at a time, and keeps the digits and points of the
/// first 64 bytes for prices; false for a line cut at blanks, or where a field holds a quote, a carriage return,
/// a tab that is not the separator, or a blank outside the first field (the date and time), which the general
/// reading trims or unquotes. first: the masks of the line's first 64 bytes, or of its bytes up to readable where
/// that is sooner; the bytes up to readable may be looked at (and are then left out), so that the compares need
/// not stop short at the line's end.
bool cutQuickly(std::string_view line, const char* readable, const LayoutMasks& first, FieldSeparator choice,
                std::size_t limit, Fields& fields, PlainPrices& prices)
{
    const char* const text = line.data();
    const std::size_t firstLength = std::min<std::size_t>(64, line.size());
    const char separator = choice == FieldSeparator::Any && line.size() <= 64
                               ? separatorFromMasks(first, bitsBelow(static_cast<unsigned>(firstLength)))
                               : separatorOf(line, choice);
    if (separator == ' ') {
        return false;
    }
    prices.window = text;
    prices.windowSize = firstLength;
    prices.digits = first.digits;
    prices.points = prices.point == '.' ? first.points : first.commas;
    prices.cuts = separator == ',' ? first.commas : (separator == ';' ? first.semicolons : first.tabs);
    std::size_t start = 0;
    for (std::size_t base = 0; base < line.size(); base += 64) {
        const std::size_t length = std::min<std::size_t>(64, line.size() - base);
        const auto scanned = std::min<std::size_t>(64, static_cast<std::size_t>(readable - text) - base);
        const LayoutMasks masks = base == 0 ? first : ByteScan::layoutMasks(text + base, scanned);
        if (!cutWindow(text, base, masks, separator, bitsBelow(static_cast<unsigned>(length)), limit, start, fields)) {
            return false;
        }
        if (fields.count == limit) {
            return true;
        }
    }
    fields.items[fields.count++] = {text + start, line.size() - start};
    return true;
}

/// "HH:MM", "HH:MM:SS", either with ".digits", at the start of text, written as "HH:MM:SS[.digits]"; restAt is
/// where what follows it starts, blanks skipped (an offset rather than a view: it is read back at once, and a
/// view written in two halves and read in one stalls the processor).
bool readTimeQuickly(std::string_view text, Pen& out, std::size_t& restAt)
{
    const char* const t = text.data();
    const std::size_t size = text.size();
    const auto twoDigits = [t, size](std::size_t at) { return at + 1 < size && isDigit(t[at]) && isDigit(t[at + 1]); };
    if (size < 5 || !twoDigits(0) || t[2] != ':' || !twoDigits(3)) {
        return false;
    }
    std::size_t end = 5;
    const char* seconds = "00";
    if (end < size && t[end] == ':') {
        if (!twoDigits(end + 1)) {
            return false;
        }
        seconds = t + end + 1;
        end += 3;
    }
    std::size_t fractionEnd = end;
    if (end < size && t[end] == '.') {
        fractionEnd = end + 1;
        while (fractionEnd < size && isDigit(t[fractionEnd])) {
            ++fractionEnd;
        }
        if (fractionEnd == end + 1) {
            return false;
        }
    }
    // The general reading takes a time up to the first byte that is no digit, colon or point.
    if (fractionEnd < size && (isDigit(t[fractionEnd]) || t[fractionEnd] == ':' || t[fractionEnd] == '.')) {
        return false;
    }
    const int hour = (t[0] - '0') * 10 + (t[1] - '0');
    const int minute = (t[3] - '0') * 10 + (t[4] - '0');
    const int second = (seconds[0] - '0') * 10 + (seconds[1] - '0');
    if (hour > 23 || minute > 59 || second > 60) {
        return false;
    }
    char* const to = out.at;
    std::memcpy(to, t, 5);
    to[5] = ':';
    to[6] = seconds[0];
    to[7] = seconds[1];
    out.at = to + 8;
    out.put(std::string_view(t + end, fractionEnd - end));
    restAt = fractionEnd;
    while (restAt < size && t[restAt] == ' ') {
        ++restAt;
    }
    return true;
}

/// The open, high, low, close and volume of a bar line copied in one piece where every one is plain and lies
/// in the line's first 64 bytes: the separators between them written as commas, decimal commas as points. False
/// (nothing written) where that does not hold.
bool copyBarPricesWhole(const Fields& fields, std::size_t at, const PlainPrices& prices, Pen& pen)
{
    const bool volume = at + 4 < fields.count && fields.items[at + 4].size != 0;
    const std::size_t last = volume ? at + 4 : at + 3;
    if (last >= fields.count) {
        return false;
    }
    const char* const from = fields.items[at].data;
    const char* const to = fields.items[last].data + fields.items[last].size;
    if (from < prices.window || to > prices.window + prices.windowSize) {
        return false;
    }
    // As PlainPrices::plainInWindow for each field, for all of them at once: every byte a digit, a point or a
    // separator, a separator between any two points, and the lengths looked at one by one only at the edges.
    for (std::size_t k = at; k <= last; ++k) {
        const std::size_t size = fields.items[k].size;
        std::size_t pointAt = 0;
        if (size == 0 || size > 16 || ((size == 1 || size == 16) && !prices.plainInWindow(fields[k], pointAt))) {
            return false;
        }
    }
    const auto spanStart = static_cast<unsigned>(from - prices.window);
    const std::uint64_t span = bitsBelow(static_cast<unsigned>(to - prices.window)) & ~bitsBelow(spanStart);
    std::uint64_t pointsSeen = prices.points & span & ~prices.cuts;
    if (((prices.digits | pointsSeen | prices.cuts) & span) != span) {
        return false;
    }
    for (std::uint64_t rest = pointsSeen; (rest & (rest - 1)) != 0; rest &= rest - 1) {
        const std::uint64_t point = rest & (~rest + 1);
        const std::uint64_t later = rest & (rest - 1);
        const std::uint64_t next = later & (~later + 1);
        if ((prices.cuts & (next - 1) & ~(point | (point - 1))) == 0) {
            return false;
        }
    }
    pen.put(',');
    char* const copy = pen.at;
    pen.put(std::string_view(from, static_cast<std::size_t>(to - from)));
    for (std::size_t k = at + 1; k <= last; ++k) {
        copy[fields.items[k].data - from - 1] = ',';
    }
    if (prices.point != '.') {
        const auto shift = static_cast<std::size_t>(from - prices.window);
        for (; pointsSeen != 0; pointsSeen &= pointsSeen - 1) {
            copy[static_cast<std::size_t>(std::countr_zero(pointsSeen)) - shift] = '.';
        }
    }
    return true;
}

/// Writes the usual date for a ten-character date after fillers filler fields; false when it does not read.
bool writeRememberedDate(QuickDateMemo& memo, std::string_view date, DateOrder order, std::size_t fillers, Pen& pen)
{
    for (std::size_t k = 0; k < fillers; ++k) {
        pen.put("-,");
    }
    if (memo.writtenSize == 0 || std::memcmp(date.data(), memo.text.data(), memo.text.size()) != 0) {
        const auto ymd = readDateOfTen(date, order);
        if (!ymd) {
            return false;
        }
        Pen own{memo.written.data()};
        writeDate(*ymd, 0, own);
        memo.writtenSize = static_cast<std::size_t>(own.at - memo.written.data());
        std::memcpy(memo.text.data(), date.data(), memo.text.size());
        memo.epochDay = -1;
    }
    pen.put(std::string_view(memo.written.data(), memo.writtenSize));
    return true;
}

/// writeEpoch() with the date written once for each day: lines of one day follow each other.
bool writeRememberedEpoch(QuickDateMemo& memo, std::string_view text, std::size_t fillers, Pen& pen)
{
    const auto moment = readEpoch(text);
    if (!moment) {
        return false;
    }
    for (std::size_t k = 0; k < fillers; ++k) {
        pen.put("-,");
    }
    if (memo.writtenSize == 0 || moment->day != memo.epochDay) {
        Pen own{memo.written.data()};
        writeDate(civilFromDays(UnixEpochDay + moment->day), 0, own);
        memo.writtenSize = static_cast<std::size_t>(own.at - memo.written.data());
        memo.epochDay = moment->day;
        // No date text can be all zero bytes: the written date is the epoch's alone.
        memo.text.fill('\0');
    }
    pen.put(std::string_view(memo.written.data(), memo.writtenSize));
    writeEpochTime(*moment, pen);
    return true;
}

/// isZone(), for the zone the lines before had as well at once.
bool isRememberedZone(QuickDateMemo& memo, std::string_view rest)
{
    if (rest.size() == memo.zoneSize && std::string_view(memo.zone.data(), memo.zoneSize) == rest) {
        return true;
    }
    if (!layout::isZone(rest)) {
        return false;
    }
    memo.zoneSize = std::min(rest.size(), memo.zone.size());
    std::memcpy(memo.zone.data(), rest.data(), memo.zoneSize);
    memo.zoneSize = rest.size() <= memo.zone.size() ? memo.zoneSize : 0;
    return true;
}

} // namespace

namespace {

/// The date and the time of fields[at] on, written; at is moved past them. restAt: where the time's field goes
/// on after the time (a zone may follow), in timeText.
bool writeDateAndTime(const Fields& fields, std::size_t& at, const SourceLayout& layout, std::size_t fillers, Pen& pen,
                      QuickDateMemo& memo, std::string_view& timeText, std::size_t& restAt)
{
    const std::string_view dateTime = fields[at++];
    const bool yearFirst = layout.dateOrder == DateOrder::YearFirst;
    // The general reading parts date and time at the first "T" or blank: none may stand between the date's parts.
    const std::size_t cut1 = yearFirst ? 4 : 2;
    const std::size_t cut2 = yearFirst ? 7 : 5;
    if (dateTime.size() < 10 || dateTime[cut1] == 'T' || dateTime[cut2] == 'T' || dateTime[cut1] == ' ' ||
        dateTime[cut2] == ' ' || (dateTime.size() > 10 && dateTime[10] != 'T' && dateTime[10] != ' ')) {
        return false;
    }
    if (!writeRememberedDate(memo, dateTime.substr(0, 10), layout.dateOrder, fillers, pen)) {
        return false;
    }
    timeText = dateTime.size() == 10 ? fields[at++] : dateTime.substr(11);
    return readTimeQuickly(timeText, pen, restAt);
}

} // namespace

bool rewriteQuickly(std::string_view line, const char* readable, const LayoutMasks& first, const SourceLayout& layout,
                    std::size_t fillers, Pen& pen, std::string_view& zone, QuickDateMemo& memo)
{
    // Ends the general reading would trim or unquote.
    const auto trimmed = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '"'; };
    if (layout.dateColumn < 1 || layout.dateColumn > QuickDateColumns ||
        layout.volumeColumn > static_cast<int>(QuickFieldCount) || line.empty() || trimmed(line.front()) ||
        trimmed(line.back())) {
        return false;
    }
    // The fields before the date are cut as the general reading cuts them, and passed over.
    const auto lead = static_cast<std::size_t>(layout.dateColumn - 1);
    Fields fields;
    PlainPrices prices;
    prices.point = layout.decimalComma ? ',' : '.';
    if (!cutQuickly(line, readable, first, layout.separator, QuickFieldCount + lead, fields, prices)) {
        return false;
    }
    std::size_t at = lead;
    if (layout.dateOrder == DateOrder::Epoch) {
        // The whole moment in one field, in UTC: no time field and no zone follow.
        if (!writeRememberedEpoch(memo, fields[at++], fillers, pen)) {
            return false;
        }
        zone = {};
        if (layout.prices == PriceColumns::Ohlc && layout.volumeColumn == 0 &&
            copyBarPricesWhole(fields, at, prices, pen)) {
            return true;
        }
        return writePricesAndVolume<true>(fields, at, layout, prices, pen);
    }
    std::string_view timeText;
    std::size_t restAt = 0;
    if (!writeDateAndTime(fields, at, layout, fillers, pen, memo, timeText, restAt)) {
        return false;
    }
    std::string_view rest = timeText.substr(restAt);
    if (rest.empty() && isZone(fields[at])) {
        rest = fields[at++];
    }
    if (!rest.empty() && !isRememberedZone(memo, rest)) {
        return false;
    }
    zone = rest;
    if (layout.prices == PriceColumns::Ohlc && layout.volumeColumn == 0 &&
        copyBarPricesWhole(fields, at, prices, pen)) {
        return true;
    }
    return writePricesAndVolume<true>(fields, at, layout, prices, pen);
}

} // namespace velmora::layout
