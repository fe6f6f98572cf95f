#include "input/layout/LayoutDateTime.h"

#include "input/CivilDays.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace velmora::layout {

namespace {

/// A two-digit year by the fixed window of 50: 00–49 are 2000–2049, 50–99 are 1950–1999.
int fullYear(int year, std::size_t digitCount)
{
    if (digitCount > 2) {
        return year;
    }
    return year < 50 ? 2000 + year : 1900 + year;
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

} // namespace

std::optional<CivilDate> readDateOfTen(std::string_view text, DateOrder order)
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
    return CivilDate{year, month, day};
}

std::optional<CivilDate> readDate(std::string_view text, DateOrder order)
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
    const CivilDate date{fullYear(*year, parts[y].size()), *month, *day};
    if (!daysFromCivil(date.year, date.month, date.day)) {
        return std::nullopt;
    }
    return date;
}

void writeDate(const CivilDate& date, std::size_t fillers, Pen& pen)
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

std::optional<EpochMoment> readEpoch(std::string_view text)
{
    if ((text.size() != 10 && text.size() != 13) || !std::all_of(text.begin(), text.end(), isDigit)) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (const char c : text) {
        value = value * 10 + (c - '0');
    }
    const bool milliseconds = text.size() == 13;
    const std::int64_t seconds = milliseconds ? value / 1000 : value;
    return EpochMoment{seconds / 86'400, static_cast<int>(seconds % 86'400),
                       milliseconds ? static_cast<int>(value % 1000) : -1};
}

void writeEpochTime(const EpochMoment& moment, Pen& pen)
{
    pen.putTwo(moment.secondOfDay / 3600);
    pen.put(':');
    pen.putTwo(moment.secondOfDay / 60 % 60);
    pen.put(':');
    pen.putTwo(moment.secondOfDay % 60);
    if (moment.millisecond >= 0) {
        pen.put('.');
        pen.put(static_cast<char>('0' + moment.millisecond / 100));
        pen.putTwo(moment.millisecond % 100);
    }
}

bool writeEpoch(std::string_view text, std::size_t fillers, Pen& pen)
{
    const auto moment = readEpoch(text);
    if (!moment) {
        return false;
    }
    writeDate(civilFromDays(UnixEpochDay + moment->day), fillers, pen);
    writeEpochTime(*moment, pen);
    return true;
}

bool readTime(std::string_view text, Pen& out, std::size_t& end)
{
    end = 0;
    while (end < text.size() && (isDigit(text[end]) || text[end] == ':' || text[end] == '.')) {
        ++end;
    }
    std::string_view time = text.substr(0, end);
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

} // namespace velmora::layout
