#include "input/SourceLayout.h"

#include "input/ByteScan.h"
#include "input/CivilDays.h"
#include "input/DateTimeText.h"
#include "input/SourceLines.h"
#include "input/SourceRecord.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdlib> // llabs
#include <cstring> // memcpy, memmove
#include <memory>
#include <tuple> // tie

namespace velmora {

namespace {

struct Preset
{
    std::string_view name;
    SourceLayout layout;
};

SourceLayout chosen(DateOrder order, FieldSeparator separator = FieldSeparator::Any, bool decimalComma = false,
                    PriceColumns prices = PriceColumns::Ohlc)
{
    SourceLayout layout;
    layout.mode = SourceLayout::Mode::Chosen;
    layout.dateOrder = order;
    layout.separator = separator;
    layout.decimalComma = decimalComma;
    layout.prices = prices;
    return layout;
}

const std::array<Preset, 7>& presets()
{
    static const std::array<Preset, 7> list{{
        {"usual", SourceLayout{.mode = SourceLayout::Mode::Usual}},
        {"auto", SourceLayout{.mode = SourceLayout::Mode::Auto}},
        {"ymd", chosen(DateOrder::YearFirst)},
        {"dmy", chosen(DateOrder::DayFirst)},
        {"mdy", chosen(DateOrder::MonthFirst)},
        {"dmy-ticks", chosen(DateOrder::DayFirst, FieldSeparator::Any, false, PriceColumns::Bid)},
        {"decimal-comma", chosen(DateOrder::YearFirst, FieldSeparator::Semicolon, true)},
    }};
    return list;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (isBlank(text.front()) || text.front() == '\r')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (isBlank(text.back()) || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view unquote(std::string_view text)
{
    text = trim(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        text = trim(text.substr(1, text.size() - 2));
    }
    return text;
}

char separatorOf(std::string_view line, FieldSeparator separator)
{
    switch (separator) {
    case FieldSeparator::Comma:
        return ',';
    case FieldSeparator::Tab:
        return '\t';
    case FieldSeparator::Semicolon:
        return ';';
    case FieldSeparator::Blanks:
        return ' ';
    case FieldSeparator::Any:
        break;
    }
    for (const char c : {'\t', ';', ','}) {
        if (line.find(c) != std::string_view::npos) {
            return c;
        }
    }
    return ' ';
}

constexpr std::size_t MaxFields = 32;

struct Fields
{
    /// Left unset beyond count: a line has a handful of fields, and clearing all of them cost more than cutting.
    struct Span
    {
        const char* data;
        std::size_t size;
    };
    std::array<Span, MaxFields> items; // NOLINT(cppcoreguidelines-pro-type-member-init)
    std::size_t count = 0;

    std::string_view operator[](std::size_t i) const
    {
        return i < count ? std::string_view{items[i].data, items[i].size} : std::string_view{};
    }
};

/// Cuts at every separator (at every run of blanks for ' '); each field trimmed of blanks and its own quotes.
Fields splitFields(std::string_view line, char separator)
{
    Fields fields;
    std::size_t at = 0;
    while (fields.count < MaxFields && at <= line.size()) {
        if (separator == ' ') {
            while (at < line.size() && isBlank(line[at])) {
                ++at;
            }
            if (at == line.size()) {
                break;
            }
        }
        std::size_t end = at;
        if (separator == ' ') {
            while (end < line.size() && !isBlank(line[end])) {
                ++end;
            }
        } else {
            end = std::min(line.find(separator, at), line.size());
        }
        const std::string_view field = unquote(line.substr(at, end - at));
        fields.items[fields.count++] = {field.data(), field.size()};
        at = end + 1;
    }
    return fields;
}

/// Whole number of exactly the text's digits.
std::optional<int> digits(std::string_view text)
{
    if (text.empty() || text.size() > 4) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        if (!isDigit(c)) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

struct Ymd
{
    int year = 0;
    int month = 0;
    int day = 0;
};

/// A two-digit year by the fixed window of 50: 00–49 are 2000–2049, 50–99 are 1950–1999.
int fullYear(int year, std::size_t digitCount)
{
    if (digitCount > 2) {
        return year;
    }
    return year < 50 ? 2000 + year : 1900 + year;
}

/// The usual ten-character date, "yyyy-mm-dd" year-first or "dd.mm.yyyy" otherwise (any non-digit between the
/// parts), read by position: the general reading below gives the same for it, and nearly every line has one.
std::optional<Ymd> readDateOfTen(std::string_view text, DateOrder order)
{
    const bool yearFirst = order == DateOrder::YearFirst;
    const std::size_t cut1 = yearFirst ? 4 : 2;
    const std::size_t cut2 = yearFirst ? 7 : 5;
    int values[3] = {0, 0, 0};
    std::size_t part = 0;
    for (std::size_t i = 0; i < 10; ++i) {
        if (i == cut1 || i == cut2) {
            if (isDigit(text[i])) {
                return std::nullopt;
            }
            ++part;
        } else if (isDigit(text[i])) {
            values[part] = values[part] * 10 + (text[i] - '0');
        } else {
            return std::nullopt;
        }
    }
    const int year = yearFirst ? values[0] : values[2];
    const int month = order == DateOrder::MonthFirst ? values[0] : values[1];
    const int day = yearFirst ? values[2] : (order == DateOrder::DayFirst ? values[0] : values[1]);
    if (!daysFromCivil(year, month, day)) {
        return std::nullopt;
    }
    return Ymd{year, month, day};
}

/// The year, month and day pieces of a date in the order written: compact (20220815, 15082022, 220815) or
/// three runs of digits with one separator byte between them. False for anything else.
bool datePieces(std::string_view text, DateOrder order, std::array<std::string_view, 3>& parts)
{
    if (std::all_of(text.begin(), text.end(), isDigit)) {
        if (text.size() == 8) {
            parts = order == DateOrder::YearFirst ? std::array{text.substr(0, 4), text.substr(4, 2), text.substr(6, 2)}
                                                  : std::array{text.substr(0, 2), text.substr(2, 2), text.substr(4, 4)};
            return true;
        }
        if (text.size() == 6) {
            parts = {text.substr(0, 2), text.substr(2, 2), text.substr(4, 2)};
            return true;
        }
        return false;
    }
    std::size_t count = 0;
    std::size_t at = 0;
    while (count < 3) {
        std::size_t end = at;
        while (end < text.size() && isDigit(text[end])) {
            ++end;
        }
        parts[count++] = text.substr(at, end - at);
        if (end == text.size()) {
            break;
        }
        at = end + 1;
    }
    return count == 3 && at <= text.size() && parts[2].data() + parts[2].size() == text.data() + text.size();
}

std::optional<Ymd> readDate(std::string_view text, DateOrder order)
{
    if (text.size() == 10) {
        if (const auto date = readDateOfTen(text, order)) {
            return date;
        }
    }
    std::array<std::string_view, 3> parts;
    if (!datePieces(text, order, parts)) {
        return std::nullopt;
    }
    const std::size_t y = order == DateOrder::YearFirst ? 0 : 2;
    const std::size_t m = order == DateOrder::MonthFirst ? 0 : 1;
    const std::size_t d = order == DateOrder::YearFirst ? 2 : (order == DateOrder::DayFirst ? 0 : 1);
    const auto year = digits(parts[y]);
    const auto month = digits(parts[m]);
    const auto day = digits(parts[d]);
    if (!year || !month || !day || parts[y].size() == 3 || parts[y].size() == 1) {
        return std::nullopt;
    }
    Ymd date{fullYear(*year, parts[y].size()), *month, *day};
    if (!daysFromCivil(date.year, date.month, date.day)) {
        return std::nullopt;
    }
    return date;
}

/// Writes a rewritten line through a raw pointer into room made for the whole line beforehand: a line is a few
/// dozen bytes in many small pieces, and appending each piece to a string cost more than reading the line.
struct Pen
{
    char* at;

    void put(char c) { *at++ = c; }
    void put(std::string_view text)
    {
        const std::size_t size = text.size();
        const char* from = text.data();
        // Most pieces are a few bytes: copied in two overlapping words of fixed size, which compile to moves,
        // rather than through a call. An empty view may hold no pointer at all, which memcpy must not be given.
        if (size >= 8 && size <= 16) {
            std::memcpy(at, from, 8);
            std::memcpy(at + size - 8, from + size - 8, 8);
        } else if (size >= 4 && size < 8) {
            std::memcpy(at, from, 4);
            std::memcpy(at + size - 4, from + size - 4, 4);
        } else if (size > 16) {
            std::memcpy(at, from, size);
        } else {
            for (std::size_t i = 0; i < size; ++i) {
                at[i] = from[i];
            }
        }
        at += size;
    }
    void putTwo(int value)
    {
        put(static_cast<char>('0' + value / 10));
        put(static_cast<char>('0' + value % 10));
    }
    /// A whole number of at most four digits (a year) as std::to_string writes it.
    void putNumber(int value)
    {
        if (value >= 1000) {
            put(static_cast<char>('0' + value / 1000));
        }
        if (value >= 100) {
            put(static_cast<char>('0' + value / 100 % 10));
        }
        if (value >= 10) {
            put(static_cast<char>('0' + value / 10 % 10));
        }
        put(static_cast<char>('0' + value % 10));
    }
};

/// A time "HH:MM", "HH:MM:SS", "HH:MM:SS.fff" or compact "HHMM", "HHMMSS" at the start of the text, written out
/// as "HH:MM:SS[.fff]"; rest is what follows it (a zone, perhaps).
bool readTime(std::string_view text, Pen& out, std::string_view& rest)
{
    std::size_t end = 0;
    while (end < text.size() && (isDigit(text[end]) || text[end] == ':' || text[end] == '.')) {
        ++end;
    }
    std::string_view time = text.substr(0, end);
    rest = trim(text.substr(end));
    std::string_view fraction;
    if (const auto dot = time.find('.'); dot != std::string_view::npos) {
        fraction = time.substr(dot + 1);
        time = time.substr(0, dot);
        if (fraction.empty() || !std::all_of(fraction.begin(), fraction.end(), isDigit)) {
            return false;
        }
    }
    std::array<std::string_view, 3> parts{};
    if (time.find(':') == std::string_view::npos) {
        if (time.size() != 4 && time.size() != 6) {
            return false;
        }
        parts = {time.substr(0, 2), time.substr(2, 2), time.size() == 6 ? time.substr(4, 2) : "00"};
    } else {
        const auto first = time.find(':');
        const auto second = time.find(':', first + 1);
        parts = {time.substr(0, first), time.substr(first + 1, second - first - 1),
                 second == std::string_view::npos ? "00" : time.substr(second + 1)};
    }
    const auto hour = digits(parts[0]);
    const auto minute = digits(parts[1]);
    const auto second = digits(parts[2]);
    if (!hour || !minute || !second || parts[1].size() != 2 || parts[2].size() != 2 || *hour > 23 || *minute > 59 ||
        *second > 60) {
        return false;
    }
    out.putTwo(*hour);
    out.put(':');
    out.put(parts[1]);
    out.put(':');
    out.put(parts[2]);
    if (!fraction.empty()) {
        out.put('.');
        out.put(fraction);
    }
    return true;
}

/// A zone after the time: "Z", an offset "+0300", "-05:00", or a word "GMT", "UTC" with or without an offset.
bool isZone(std::string_view text)
{
    if (text == "Z") {
        return true;
    }
    if (text.starts_with("GMT") || text.starts_with("UTC")) {
        text.remove_prefix(3);
        if (text.empty()) {
            return true;
        }
    }
    if (text.size() < 3 || (text[0] != '+' && text[0] != '-')) {
        return false;
    }
    text.remove_prefix(1);
    std::size_t count = 0;
    for (const char c : text) {
        if (isDigit(c)) {
            ++count;
        } else if (c != ':') {
            return false;
        }
    }
    return count == 2 || count == 4;
}

/// True for digits with at most one point among them, 15 digits at most: a price the usual reader is sure to
/// take (point '.'), so that it need not be read as a number just to find out. pointAt: where the point stands,
/// or npos.
bool plainDecimal(std::string_view text, char point, std::size_t& pointAt)
{
    std::size_t digitCount = 0;
    pointAt = std::string_view::npos;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (isDigit(text[k])) {
            ++digitCount;
        } else if (text[k] == point && pointAt == std::string_view::npos) {
            pointAt = k;
        } else {
            return false;
        }
    }
    return digitCount > 0 && digitCount <= 15;
}

/// A price as the usual reader takes it: the decimal comma turned into a point.
bool appendPrice(std::string_view text, bool decimalComma, Pen& out)
{
    char* const start = out.at;
    out.put(text);
    if (decimalComma) {
        std::replace(start, out.at, ',', '.');
    }
    const std::string_view written(start, static_cast<std::size_t>(out.at - start));
    double value = 0;
    std::size_t pointAt = 0;
    if (!plainDecimal(written, '.', pointAt) && !readDecimal(written, value)) {
        out.at = start;
        return false;
    }
    return true;
}

/// A plain decimal "[-]digits[.digits]" as a whole number of units of its last decimal.
bool scaledDecimal(std::string_view text, std::int64_t& units, int& decimals)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    const auto dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    if (whole.size() + fraction.size() > 17 || whole.size() + fraction.size() == 0 ||
        !std::all_of(whole.begin(), whole.end(), isDigit) || !std::all_of(fraction.begin(), fraction.end(), isDigit)) {
        return false;
    }
    units = 0;
    for (const char c : whole) {
        units = units * 10 + (c - '0');
    }
    for (const char c : fraction) {
        units = units * 10 + (c - '0');
    }
    units = negative ? -units : units;
    decimals = static_cast<int>(fraction.size());
    return true;
}

/// The middle of two prices written exactly: at the finer of their decimals, or one more where that is needed.
/// a and b may lie in out: both are read before anything is appended.
bool appendMid(std::string_view a, std::string_view b, Pen& out)
{
    std::int64_t x = 0;
    std::int64_t y = 0;
    int dx = 0;
    int dy = 0;
    if (!scaledDecimal(a, x, dx) || !scaledDecimal(b, y, dy)) {
        return false;
    }
    // Prices too long to be summed exactly in 64 bits (some 18 digits between them) are not read.
    const auto scaleUp = [](std::int64_t& value, int from, int to) {
        for (; from < to; ++from) {
            if (__builtin_mul_overflow(value, 10, &value)) {
                return false;
            }
        }
        return true;
    };
    int decimals = std::max(dx, dy);
    std::int64_t sum = 0;
    if (!scaleUp(x, dx, decimals) || !scaleUp(y, dy, decimals) || __builtin_add_overflow(x, y, &sum)) {
        return false;
    }
    if (sum % 2 == 0) {
        sum /= 2;
    } else if (__builtin_mul_overflow(sum, 5, &sum)) {
        return false;
    } else {
        ++decimals;
    }
    // The digits of |sum|, with zeros in front so that one stands before the point.
    std::array<char, 48> digitsText{};
    auto magnitude = static_cast<std::uint64_t>(std::llabs(sum));
    std::size_t first = digitsText.size();
    do {
        digitsText[--first] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (digitsText.size() - first <= static_cast<std::size_t>(decimals)) {
        digitsText[--first] = '0';
    }
    const std::string_view text(digitsText.data() + first, digitsText.size() - first);
    if (sum < 0) {
        out.put('-');
    }
    out.put(text.substr(0, text.size() - static_cast<std::size_t>(decimals)));
    if (decimals > 0) {
        out.put('.');
        out.put(text.substr(text.size() - static_cast<std::size_t>(decimals)));
    }
    return true;
}

void appendTwo(std::string& out, int value)
{
    out += static_cast<char>('0' + value / 10);
    out += static_cast<char>('0' + value % 10);
}

} // namespace

std::optional<SourceLayout> layoutFromName(std::string_view name)
{
    for (const Preset& preset : presets()) {
        if (preset.name == name) {
            return preset.layout;
        }
    }
    return std::nullopt;
}

std::string layoutName(const SourceLayout& layout)
{
    for (const Preset& preset : presets()) {
        if (preset.layout == layout) {
            return std::string(preset.name);
        }
    }
    return "custom";
}

std::optional<DateOrder> dateOrderFromName(std::string_view name)
{
    for (const DateOrder order : {DateOrder::YearFirst, DateOrder::DayFirst, DateOrder::MonthFirst}) {
        if (dateOrderName(order) == name) {
            return order;
        }
    }
    return std::nullopt;
}

std::optional<FieldSeparator> separatorFromName(std::string_view name)
{
    for (const FieldSeparator separator : {FieldSeparator::Any, FieldSeparator::Comma, FieldSeparator::Tab,
                                           FieldSeparator::Semicolon, FieldSeparator::Blanks}) {
        if (separatorName(separator) == name) {
            return separator;
        }
    }
    return std::nullopt;
}

std::optional<PriceColumns> priceColumnsFromName(std::string_view name)
{
    for (const PriceColumns prices : {PriceColumns::Ohlc, PriceColumns::Bid, PriceColumns::Ask, PriceColumns::Mid}) {
        if (priceColumnsName(prices) == name) {
            return prices;
        }
    }
    return std::nullopt;
}

std::string_view dateOrderName(DateOrder order)
{
    switch (order) {
    case DateOrder::DayFirst:
        return "dmy";
    case DateOrder::MonthFirst:
        return "mdy";
    case DateOrder::YearFirst:
        break;
    }
    return "ymd";
}

std::string_view separatorName(FieldSeparator separator)
{
    switch (separator) {
    case FieldSeparator::Comma:
        return "comma";
    case FieldSeparator::Tab:
        return "tab";
    case FieldSeparator::Semicolon:
        return "semicolon";
    case FieldSeparator::Blanks:
        return "blanks";
    case FieldSeparator::Any:
        break;
    }
    return "auto";
}

std::string_view priceColumnsName(PriceColumns prices)
{
    switch (prices) {
    case PriceColumns::Bid:
        return "bid";
    case PriceColumns::Ask:
        return "ask";
    case PriceColumns::Mid:
        return "mid";
    case PriceColumns::Ohlc:
        break;
    }
    return "ohlc";
}

std::string describeLayout(const SourceLayout& layout)
{
    std::string text;
    switch (layout.dateOrder) {
    case DateOrder::YearFirst:
        text = "年-月-日";
        break;
    case DateOrder::DayFirst:
        text = "日-月-年";
        break;
    case DateOrder::MonthFirst:
        text = "月-日-年";
        break;
    }
    switch (layout.separator) {
    case FieldSeparator::Any:
        text += "、区切りは自動";
        break;
    case FieldSeparator::Comma:
        text += "、区切りはカンマ";
        break;
    case FieldSeparator::Tab:
        text += "、区切りはタブ";
        break;
    case FieldSeparator::Semicolon:
        text += "、区切りはセミコロン";
        break;
    case FieldSeparator::Blanks:
        text += "、区切りは空白";
        break;
    }
    if (layout.decimalComma) {
        text += "、小数点はカンマ";
    }
    switch (layout.prices) {
    case PriceColumns::Ohlc:
        text += "、価格は始値・高値・安値・終値";
        break;
    case PriceColumns::Bid:
        text += "、価格は Bid";
        break;
    case PriceColumns::Ask:
        text += "、価格は Ask";
        break;
    case PriceColumns::Mid:
        text += "、価格は Ask と Bid の中値";
        break;
    }
    return text;
}

namespace {

/// The one price of a tick line (ask, bid or their middle, from the ask and bid at fields[at] and after) as
/// all four prices of a bar.
template <typename AppendPrice>
bool writeTickPrice(const Fields& fields, std::size_t at, const SourceLayout& layout, const AppendPrice& append,
                    Pen& pen)
{
    const std::string_view ask = fields[at];
    const std::string_view bid = fields[at + 1];
    // The one price is written once and copied from there to the three other columns.
    pen.put(',');
    char* const price = pen.at;
    bool read = false;
    if (layout.prices == PriceColumns::Mid) {
        read = append(ask, pen);
        char* const bidStart = pen.at;
        read = read && append(bid, pen);
        char* const midStart = pen.at;
        read = read && appendMid(std::string_view(price, static_cast<std::size_t>(bidStart - price)),
                                 std::string_view(bidStart, static_cast<std::size_t>(midStart - bidStart)), pen);
        if (read) {
            const auto midSize = static_cast<std::size_t>(pen.at - midStart);
            std::memmove(price, midStart, midSize);
            pen.at = price + midSize;
        }
    } else {
        read = append(layout.prices == PriceColumns::Ask ? ask : bid, pen);
    }
    if (!read) {
        return false;
    }
    const std::string_view written(price, static_cast<std::size_t>(pen.at - price));
    for (int k = 0; k < 3; ++k) {
        pen.put(',');
        pen.put(written);
    }
    return true;
}

/// The open, high, low and close of a bar line, from fields[at] on.
template <typename AppendPrice>
bool writeBarPrices(const Fields& fields, std::size_t at, const AppendPrice& append, Pen& pen)
{
    for (std::size_t k = 0; k < 4; ++k) {
        pen.put(',');
        if (!append(fields[at + k], pen)) {
            return false;
        }
    }
    return true;
}

} // namespace

namespace {

/// The four price columns and, for a bar file, the volume, from fields[at] on; false when they do not read.
template <bool Quick, typename AppendPrice>
bool writePricesAndVolume(const Fields& fields, std::size_t at, const SourceLayout& layout, const AppendPrice& append,
                          Pen& pen)
{
    const bool ticks = layout.prices != PriceColumns::Ohlc;
    if (!(ticks ? writeTickPrice(fields, at, layout, append, pen) : writeBarPrices(fields, at, append, pen))) {
        return false;
    }
    at += ticks ? 2 : 4;
    const std::string_view volume =
        layout.volumeColumn > 0 ? fields[static_cast<std::size_t>(layout.volumeColumn) - 1] : (ticks ? "" : fields[at]);
    if (!volume.empty()) {
        pen.put(',');
        if (!append(volume, pen)) {
            // A volume that does not read is left out; the quick path leaves deciding that to the general one.
            if constexpr (Quick) {
                return false;
            }
            --pen.at;
        }
    }
    return true;
}

void writeDate(const Ymd& date, std::size_t fillers, Pen& pen)
{
    for (std::size_t k = 0; k < fillers; ++k) {
        pen.put("-,");
    }
    pen.putNumber(date.year);
    pen.put('/');
    pen.putTwo(date.month);
    pen.put('/');
    pen.putTwo(date.day);
    pen.put(',');
}

/// Any line in any layout: every field trimmed and unquoted, every date and time shape, prices read as numbers
/// where they are not plain.
bool rewriteInGeneral(std::string_view line, const SourceLayout& layout, std::size_t fillers, Pen& pen,
                      std::string_view& zone)
{
    line = unquote(line);
    const Fields fields = splitFields(line, separatorOf(line, layout.separator));
    std::size_t at = static_cast<std::size_t>(std::max(layout.dateColumn, 1)) - 1;
    const std::string_view dateTime = fields[at++];
    // The date and the time share a field where an ISO 8601 "T" or a blank parts them.
    const std::size_t cut = dateTime.find_first_of("T ");
    const std::string_view dateText = dateTime.substr(0, cut);
    std::string_view timeText = cut == std::string_view::npos ? fields[at++] : trim(dateTime.substr(cut + 1));
    const auto date = readDate(dateText, layout.dateOrder);
    if (!date) {
        return false;
    }
    writeDate(*date, fillers, pen);
    std::string_view rest;
    if (!readTime(timeText, pen, rest)) {
        return false;
    }
    if (rest.empty() && isZone(fields[at])) {
        rest = fields[at++];
    }
    if (!rest.empty() && !isZone(rest)) {
        return false;
    }
    zone = rest;
    const auto append = [&layout](std::string_view text, Pen& out) {
        return appendPrice(text, layout.decimalComma, out);
    };
    return writePricesAndVolume<false>(fields, at, layout, append, pen);
}

/// The bits below bit i.
constexpr std::uint64_t bitsBelow(unsigned i)
{
    return i >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << i) - 1;
}

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

/// Fields the quick path looks at: date, time, zone, four prices and a volume.
constexpr std::size_t QuickFieldCount = 8;

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
               std::size_t& start, Fields& fields)
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
        if (count == QuickFieldCount) {
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
                Fields& fields, PlainPrices& prices)
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
        if (!cutWindow(text, base, masks, separator, bitsBelow(static_cast<unsigned>(length)), start, fields)) {
            return false;
        }
        if (fields.count == QuickFieldCount) {
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

/// True when ten bytes at a equal ten bytes at b: two loads each, where memcmp would be a call.
inline bool sameTen(const char* a, const char* b)
{
    std::uint64_t a8 = 0;
    std::uint64_t b8 = 0;
    std::uint16_t a2 = 0;
    std::uint16_t b2 = 0;
    std::memcpy(&a8, a, 8);
    std::memcpy(&b8, b, 8);
    std::memcpy(&a2, a + 8, 2);
    std::memcpy(&b2, b + 8, 2);
    return a8 == b8 && a2 == b2;
}

/// The date last written by the quick path, and the zone last seen: lines of one day follow each other, and
/// lines of one file carry one zone, so each is read once.
struct QuickDateMemo
{
    std::array<char, 10> text{};
    std::array<char, 11> written{}; ///< "YYYY/MM/DD,"
    std::size_t writtenSize = 0;

    /// Writes the usual date for a ten-character date; false when it does not read.
    bool write(std::string_view date, DateOrder order, std::size_t fillers, Pen& pen)
    {
        for (std::size_t k = 0; k < fillers; ++k) {
            pen.put("-,");
        }
        if (writtenSize == 0 || !sameTen(date.data(), text.data())) {
            const auto ymd = readDateOfTen(date, order);
            if (!ymd) {
                return false;
            }
            Pen own{written.data()};
            writeDate(*ymd, 0, own);
            writtenSize = static_cast<std::size_t>(own.at - written.data());
            std::memcpy(text.data(), date.data(), text.size());
        }
        pen.put(std::string_view(written.data(), writtenSize));
        return true;
    }

    /// isZone(), for the zone the lines before had as well at once.
    bool isZone(std::string_view rest)
    {
        if (rest.size() == zoneSize && sameZone(rest)) {
            return true;
        }
        if (!velmora::isZone(rest)) {
            return false;
        }
        zoneSize = std::min(rest.size(), zone.size());
        std::memcpy(zone.data(), rest.data(), zoneSize);
        zoneSize = rest.size() <= zone.size() ? zoneSize : 0;
        return true;
    }

    /// rest equals the zone kept, of its size: byte by byte, as a zone is a few bytes and a memcmp a call.
    bool sameZone(std::string_view rest) const
    {
        for (std::size_t k = 0; k < rest.size(); ++k) {
            if (rest[k] != zone[k]) {
                return false;
            }
        }
        return true;
    }

    std::array<char, 16> zone{};
    std::size_t zoneSize = 0; ///< 0 also when the zone is longer than the room kept for it
};

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

/// The shapes nearly every line of a file in another layout has: a separator that is no blank, the date first
/// and ten characters long, a plain time, plain prices, no quotes. Writes what the general reading writes for
/// such a line, several times faster; false (with anything written left to be overwritten) for any other line,
/// which then goes to the general reading.
bool rewriteQuickly(std::string_view line, const char* readable, const LayoutMasks& first, const SourceLayout& layout,
                    std::size_t fillers, Pen& pen, std::string_view& zone, QuickDateMemo& memo)
{
    // Ends the general reading would trim or unquote.
    const auto trimmed = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '"'; };
    if (layout.dateColumn != 1 || layout.volumeColumn > static_cast<int>(QuickFieldCount) || line.empty() ||
        trimmed(line.front()) || trimmed(line.back())) {
        return false;
    }
    Fields fields;
    PlainPrices prices;
    prices.point = layout.decimalComma ? ',' : '.';
    if (!cutQuickly(line, readable, first, layout.separator, fields, prices)) {
        return false;
    }
    const std::string_view dateTime = fields[0];
    const bool yearFirst = layout.dateOrder == DateOrder::YearFirst;
    // The general reading parts date and time at the first "T" or blank: none may stand between the date's parts.
    const std::size_t cut1 = yearFirst ? 4 : 2;
    const std::size_t cut2 = yearFirst ? 7 : 5;
    if (dateTime.size() < 10 || dateTime[cut1] == 'T' || dateTime[cut2] == 'T' || dateTime[cut1] == ' ' ||
        dateTime[cut2] == ' ' || (dateTime.size() > 10 && dateTime[10] != 'T' && dateTime[10] != ' ')) {
        return false;
    }
    if (!memo.write(dateTime.substr(0, 10), layout.dateOrder, fillers, pen)) {
        return false;
    }
    std::size_t at = 1;
    const std::string_view timeText = dateTime.size() == 10 ? fields[at++] : dateTime.substr(11);
    std::size_t restAt = 0;
    if (!readTimeQuickly(timeText, pen, restAt)) {
        return false;
    }
    std::string_view rest = timeText.substr(restAt);
    if (rest.empty() && isZone(fields[at])) {
        rest = fields[at++];
    }
    if (!rest.empty() && !memo.isZone(rest)) {
        return false;
    }
    zone = rest;
    if (layout.prices == PriceColumns::Ohlc && layout.volumeColumn == 0 &&
        copyBarPricesWhole(fields, at, prices, pen)) {
        return true;
    }
    return writePricesAndVolume<true>(fields, at, layout, prices, pen);
}

/// Room for the longest line the rewriting can write: filler fields, a date, and at most the line's own bytes for
/// the time, each of the four prices (the middle of two prices is a few bytes longer than either, and is worked
/// out behind them) and the volume.
std::size_t roomFor(std::string_view line, std::size_t fillers)
{
    return 2 * fillers + 64 + 7 * line.size();
}

/// Writes the rewritten line at `at`, which has roomFor() bytes, and returns where it ends; nullptr when the
/// layout does not read the line. first: as for cutQuickly().
template <bool Quick>
char* rewriteAt(std::string_view line, const char* readable, const LayoutMasks& first, const SourceLayout& layout,
                std::size_t fillers, char* at, std::string_view& zone, QuickDateMemo& memo)
{
    Pen pen{at};
    if (!Quick || !rewriteQuickly(line, readable, first, layout, fillers, pen, zone, memo)) {
        pen.at = at;
        if (!rewriteInGeneral(line, layout, fillers, pen, zone)) {
            return nullptr;
        }
    }
    return pen.at;
}

std::size_t fillersOf(std::int32_t dateField)
{
    return static_cast<std::size_t>(std::max(dateField, 1) - 1);
}

template <bool Quick>
bool rewriteLineWith(std::string_view line, const SourceLayout& layout, std::int32_t dateField, std::string& out,
                     RewrittenZone* zone)
{
    const std::size_t start = out.size();
    const std::size_t fillers = fillersOf(dateField);
    out.resize(start + roomFor(line, fillers));
    QuickDateMemo memo;
    std::string_view zoneText;
    const LayoutMasks first = ByteScan::layoutMasks(line.data(), std::min<std::size_t>(64, line.size()));
    const char* const end =
        rewriteAt<Quick>(line, line.data() + line.size(), first, layout, fillers, out.data() + start, zoneText, memo);
    out.resize(end != nullptr ? static_cast<std::size_t>(end - out.data()) : start);
    if (zone != nullptr) {
        zone->text = zoneText;
    }
    return end != nullptr;
}

} // namespace

bool rewriteLine(std::string_view line, const SourceLayout& layout, std::int32_t dateField, std::string& out,
                 RewrittenZone* zone)
{
    return rewriteLineWith<true>(line, layout, dateField, out, zone);
}

bool rewriteLineInGeneral(std::string_view line, const SourceLayout& layout, std::int32_t dateField, std::string& out,
                          RewrittenZone* zone)
{
    return rewriteLineWith<false>(line, layout, dateField, out, zone);
}

namespace {

using MaskReader = LayoutMasks (*)(const char* window, std::size_t length);

#ifdef VELMORA_BYTESCAN_AVX2
LayoutMasks layoutMasksAvx2(const char* window, std::size_t length)
{
    return length == 64 ? Avx2ByteScan::layoutMasks(window) : ByteScan::layoutMasks(window, length);
}
#endif

/// ByteScan::layoutMasks, with 32-byte compares for full windows where the processor has them: they halve the
/// cost of the compares that cut the lines and their fields.
MaskReader maskReader()
{
#ifdef VELMORA_BYTESCAN_AVX2
    if (ByteScan::hasAvx2()) {
        return layoutMasksAvx2;
    }
#endif
    return [](const char* window, std::size_t length) { return ByteScan::layoutMasks(window, length); };
}

} // namespace

namespace {

/// The rewriting of one layout, line by line as the lines are read.
class LayoutRewriter final : public LineRewriter
{
public:
    LayoutRewriter(const SourceLayout& layout, std::int32_t dateField)
        : m_layout(layout), m_fillers(fillersOf(dateField)), m_masksAt(maskReader())
    {
    }

    std::unique_ptr<Scratch> makeScratch() const override { return std::make_unique<Room>(); }

    std::string_view rewrite(std::string_view line, const char* readable, Scratch& scratch) const override
    {
        const auto available = static_cast<std::size_t>(readable - line.data());
        return rewriteCut(line, readable, m_masksAt(line.data(), std::min<std::size_t>(64, available)),
                          static_cast<Room&>(scratch));
    }

    std::string_view rewriteFrom(const char* start, const char* readable, Scratch& scratch,
                                 const char*& next) const override
    {
        // The line is cut from the same compares that cut its fields.
        const auto available = static_cast<std::size_t>(readable - start);
        const LayoutMasks first = m_masksAt(start, std::min<std::size_t>(64, available));
        const std::size_t end = first.breaks != 0
                                    ? static_cast<std::size_t>(std::countr_zero(first.breaks))
                                    : ByteScan::findLineBreak(start, std::min<std::size_t>(64, available), available);
        next = start + SourceLines::afterBreak(start, end, available);
        return rewriteCut({start, end}, readable, first, static_cast<Room&>(scratch));
    }

private:
    struct Room final : Scratch
    {
        std::string text;
        QuickDateMemo memo;
    };

    std::string_view rewriteCut(std::string_view line, const char* readable, const LayoutMasks& first, Room& room) const
    {
        const std::size_t needed = roomFor(line, m_fillers) + 2 + ReadableAfter;
        if (room.text.size() < needed) {
            // Cleared once as it grows: the bytes past a line's break are read, never used.
            room.text.resize(needed);
        }
        char* const at = room.text.data();
        std::string_view zone;
        char* end = rewriteAt<true>(line, readable, first, m_layout, m_fillers, at, zone, room.memo);
        if (end == nullptr) {
            // Unread lines go to the usual reader as written: it skips or refuses them in its own words.
            end = std::copy(line.begin(), line.end(), at);
        }
        end[0] = '\r';
        end[1] = '\n';
        return {at, static_cast<std::size_t>(end - at)};
    }

    SourceLayout m_layout;
    std::size_t m_fillers;
    MaskReader m_masksAt;
};

} // namespace

std::shared_ptr<const LineRewriter> layoutRewriter(const SourceLayout& layout, std::int32_t dateField)
{
    return std::make_shared<LayoutRewriter>(layout, dateField);
}

namespace {

/// The usual reading's test for a line it can start from, without its messages: enough fields, prices and time
/// that read, and a date that reads with its own first non-digit as separator.
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
    const auto* const separator = std::find_if(date.begin(), date.end(), [](char c) { return !isDigit(c); });
    return separator != date.end() && parseDateText(date, *separator, currentYear).has_value();
}

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
                const SourceLayout layout = chosen(order, FieldSeparator::Any, decimalComma, prices);
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
    std::optional<Ymd> lastYearFirst;
    std::optional<Ymd> lastDayFirst;
    bool yearFirstBackwards = false;
    std::size_t seen = 0;
    const auto before = [](const Ymd& a, const Ymd& b) {
        return std::tie(a.year, a.month, a.day) < std::tie(b.year, b.month, b.day);
    };
    for (std::size_t i = 0; i < count; ++i) {
        if (!usualReads(lines.line(i), record, currentYear)) {
            continue;
        }
        const std::string_view date = record.date();
        if (date.size() != 8 || isDigit(date[2]) || isDigit(date[5])) {
            return false;
        }
        const auto yearFirst = readDate(date, DateOrder::YearFirst);
        const auto dayFirst = readDate(date, DateOrder::DayFirst);
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

namespace {

/// A date as the usual reader reads it (with its own first non-digit as separator), as "YYYY/MM/DD": the
/// preview shows which day a line gives, not how it was written.
std::string readDateText(std::string_view text, int currentYear)
{
    const auto* const separator = std::find_if(text.begin(), text.end(), [](char c) { return !isDigit(c); });
    const auto days = separator == text.end() ? std::nullopt : parseDateText(text, *separator, currentYear);
    if (!days) {
        return std::string(text);
    }
    const CivilDate date = civilFromDays(*days);
    std::string out = std::to_string(date.year);
    out += '/';
    appendTwo(out, date.month);
    out += '/';
    appendTwo(out, date.day);
    return out;
}

/// A time of day as the usual reader reads it, as "HH:MM:SS" (".mmm" where it has milliseconds).
std::string readTimeText(std::string_view text)
{
    const auto ms = parseTimeOfDayMs(text);
    if (!ms) {
        return std::string(text);
    }
    std::string out;
    appendTwo(out, *ms / 3600000);
    out += ':';
    appendTwo(out, *ms / 60000 % 60);
    out += ':';
    appendTwo(out, *ms / 1000 % 60);
    if (*ms % 1000 != 0) {
        const int fraction = *ms % 1000;
        out += '.';
        out += static_cast<char>('0' + fraction / 100);
        appendTwo(out, fraction % 100);
    }
    return out;
}

} // namespace

LayoutPreview previewLayout(const SourceLines& lines, const SourceLayout& layout, std::int32_t dateField,
                            int currentYear, std::size_t count)
{
    LayoutPreview preview;
    if (layout.mode == SourceLayout::Mode::Chosen) {
        preview.used = layout;
    } else if (layout.mode == SourceLayout::Mode::Auto) {
        preview.used = detectLayout(lines, dateField, currentYear);
    }
    SourceRecord record(dateField);
    std::string rewritten;
    count = std::min(count, lines.size());
    preview.lines.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        PreviewLine& shown = preview.lines.emplace_back();
        shown.text = lines.line(i);
        if (preview.used) {
            rewritten.clear();
            shown.read = rewriteLine(shown.text, *preview.used, dateField, rewritten);
            if (shown.read) {
                record.split(rewritten);
            }
        } else {
            shown.read = usualReads(shown.text, record, currentYear);
        }
        if (shown.read) {
            shown.date = readDateText(record.date(), currentYear);
            shown.time = readTimeText(record.time());
            shown.open = record.open();
            shown.high = record.high();
            shown.low = record.low();
            shown.close = record.close();
        }
    }
    return preview;
}

} // namespace velmora
