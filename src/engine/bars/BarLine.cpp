#include "engine/bars/BarLine.h"

#include <charconv>
#include <cmath>
#include <cstring> // memcpy

namespace velmora {

namespace {

constexpr std::string_view DefaultTimeFormat = "hh:nn:ss";
constexpr std::int64_t MsPerDay = 86'400'000;
// Day number of 1970-01-01 counted from 1899-12-30, and of 1970-01-01 counted from 0000-03-01.
constexpr std::int64_t UnixEpochDay = 25'569;
constexpr std::int64_t CivilEpochShift = 719'468;

struct Civil
{
    std::int64_t year;
    unsigned month;
    unsigned day;
};

// Proleptic Gregorian calendar from a day count (H. Hinnant's civil_from_days).
Civil civilFromDays(std::int64_t days)
{
    const std::int64_t z = days - UnixEpochDay + CivilEpochShift;
    const std::int64_t era = (z >= 0 ? z : z - 146'096) / 146'097;
    const auto doe = static_cast<unsigned>(z - era * 146'097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36'524 - doe / 146'096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned day = doy - (153 * mp + 2) / 5 + 1;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

struct Split
{
    std::int64_t days;
    std::int64_t msOfDay;
};

Split splitLabel(double label)
{
    const auto ms = static_cast<std::int64_t>(std::llround(label * static_cast<double>(MsPerDay)));
    std::int64_t days = ms / MsPerDay;
    std::int64_t rest = ms % MsPerDay;
    if (rest < 0) {
        rest += MsPerDay;
        --days;
    }
    return {days, rest};
}

/// Writes into a buffer known to be large enough, with the few operations the writers use on a string.
struct CharCursor
{
    char* at;
    CharCursor& operator+=(char c)
    {
        *at++ = c;
        return *this;
    }
    CharCursor& operator+=(std::string_view text)
    {
        // Prices are a few bytes: two overlapping moves of fixed size instead of a call for each.
        const std::size_t size = text.size();
        const char* from = text.data();
        if (size >= 4 && size <= 16) {
            const std::size_t piece = size >= 8 ? 8 : 4;
            std::memcpy(at, from, piece);
            std::memcpy(at + size - piece, from + size - piece, piece);
        } else {
            std::memcpy(at, from, size);
        }
        at += size;
        return *this;
    }
    void append(const char* begin, const char* end)
    {
        std::memcpy(at, begin, static_cast<std::size_t>(end - begin));
        at += end - begin;
    }
};

template <typename Out> void appendNumber(Out& out, std::int64_t value, int width)
{
    if (value >= 0 && value < 100 && width <= 2) {
        // Months, days, hours, minutes and seconds.
        if (value >= 10 || width == 2) {
            out += static_cast<char>('0' + value / 10);
        }
        out += static_cast<char>('0' + value % 10);
        return;
    }
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    for (auto length = end - digits; length < width; ++length) {
        out += '0';
    }
    out.append(digits, end);
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = text[i];
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != prefix[i]) {
            return false;
        }
    }
    return true;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

BarLine::BarLine(char dateSeparator, std::string_view timeFormat, bool dropTimeInDaily)
    : m_dateSeparator(dateSeparator), m_dropTimeInDaily(dropTimeInDaily)
{
    compile(timeFormat.empty() ? DefaultTimeFormat : timeFormat);
}

void BarLine::compile(std::string_view pattern)
{
    std::string literal;
    const auto flushLiteral = [&] {
        if (!literal.empty()) {
            m_tokens.push_back({Piece::Literal, static_cast<std::uint32_t>(m_literals.size())});
            m_literals.push_back(std::move(literal));
            literal.clear();
        }
    };
    const auto push = [&](Piece piece, std::uint32_t index = 0) {
        flushLiteral();
        m_tokens.push_back({piece, index});
    };
    const auto doubled = [&](std::size_t i) {
        return i + 1 < pattern.size() && lowerAscii(pattern[i + 1]) == lowerAscii(pattern[i]);
    };

    // "m" right after an hour stands for minutes, as "hh:mm" is commonly written.
    bool afterHour = false;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        const char lower = lowerAscii(c);
        if (c == '"' || c == '\'') {
            const auto close = pattern.find(c, i + 1);
            const auto end = close == std::string_view::npos ? pattern.size() : close;
            literal.append(pattern.substr(i + 1, end - i - 1));
            i = end == pattern.size() ? end : end + 1;
            continue;
        }
        if (lower == 'h') {
            const bool two = doubled(i);
            push(two ? Piece::Hour2 : Piece::Hour);
            i += two ? 2 : 1;
            afterHour = true;
            continue;
        }
        if (lower == 'n' || (lower == 'm' && afterHour)) {
            const bool two = doubled(i);
            push(two ? Piece::Minute2 : Piece::Minute);
            i += two ? 2 : 1;
            afterHour = false;
            continue;
        }
        if (lower == 's') {
            const bool two = doubled(i);
            push(two ? Piece::Second2 : Piece::Second);
            i += two ? 2 : 1;
            continue;
        }
        if (lower == 'z') {
            const bool three = startsWithNoCase(pattern.substr(i), "zzz");
            push(three ? Piece::Milli3 : Piece::Milli);
            i += three ? 3 : 1;
            continue;
        }
        if (lower == 'a') {
            const std::uint32_t upper = c == 'A' ? 1 : 0;
            const std::string_view rest = pattern.substr(i);
            if (startsWithNoCase(rest, "am/pm")) {
                push(Piece::AmPm, upper);
                i += 5;
                m_twelveHour = true;
                continue;
            }
            if (startsWithNoCase(rest, "a/p")) {
                push(Piece::AP, upper);
                i += 3;
                m_twelveHour = true;
                continue;
            }
            if (startsWithNoCase(rest, "ampm")) {
                push(Piece::AmPmJa);
                i += 4;
                m_twelveHour = true;
                continue;
            }
        }
        if (c == '/') {
            if (m_dateSeparator != '\0') {
                literal += m_dateSeparator;
            }
        } else {
            literal += c;
        }
        ++i;
    }
    flushLiteral();
    // The most a time can take: its literals, and a few bytes for each field ("午後" is six).
    m_maxTimeChars = 0;
    for (const Token& token : m_tokens) {
        m_maxTimeChars += token.piece == Piece::Literal ? m_literals[token.index].size() : 8;
    }
    const auto isColon = [this](const Token& token) {
        return token.piece == Piece::Literal && m_literals[token.index] == ":";
    };
    m_hhnnss = m_tokens.size() == 5 && m_tokens[0].piece == Piece::Hour2 && isColon(m_tokens[1]) &&
               m_tokens[2].piece == Piece::Minute2 && isColon(m_tokens[3]) && m_tokens[4].piece == Piece::Second2;
}

void BarLine::appendDate(std::string& out, double label) const
{
    writeDate(out, label);
}

void BarLine::appendTime(std::string& out, double label) const
{
    writeTime(out, label);
}

template <typename Out> void BarLine::writeDate(Out& out, double label) const
{
    writeDay(out, splitLabel(label).days);
}

template <typename Out> void BarLine::writeDay(Out& out, std::int64_t days) const
{
    const Civil date = civilFromDays(days);
    appendNumber(out, date.year, 4);
    if (m_dateSeparator != '\0') {
        out += m_dateSeparator;
    }
    appendNumber(out, date.month, 2);
    if (m_dateSeparator != '\0') {
        out += m_dateSeparator;
    }
    appendNumber(out, date.day, 2);
}

template <typename Out> void BarLine::writeTime(Out& out, double label) const
{
    const std::int64_t ms = splitLabel(label).msOfDay;
    const std::int64_t hour = ms / 3'600'000;
    const std::int64_t minute = ms / 60'000 % 60;
    const std::int64_t second = ms / 1000 % 60;
    const std::int64_t milli = ms % 1000;
    const bool pm = hour >= 12;
    std::int64_t shownHour = hour;
    if (m_twelveHour) {
        shownHour = hour % 12 == 0 ? 12 : hour % 12;
    }
    if (m_hhnnss) {
        // The usual pattern, written without walking its pieces.
        const char text[8] = {static_cast<char>('0' + hour / 10),   static_cast<char>('0' + hour % 10),   ':',
                              static_cast<char>('0' + minute / 10), static_cast<char>('0' + minute % 10), ':',
                              static_cast<char>('0' + second / 10), static_cast<char>('0' + second % 10)};
        out += std::string_view(text, sizeof text);
        return;
    }
    for (const Token& token : m_tokens) {
        switch (token.piece) {
        case Piece::Literal:
            out += std::string_view(m_literals[token.index]);
            break;
        case Piece::Hour:
            appendNumber(out, shownHour, 1);
            break;
        case Piece::Hour2:
            appendNumber(out, shownHour, 2);
            break;
        case Piece::Minute:
            appendNumber(out, minute, 1);
            break;
        case Piece::Minute2:
            appendNumber(out, minute, 2);
            break;
        case Piece::Second:
            appendNumber(out, second, 1);
            break;
        case Piece::Second2:
            appendNumber(out, second, 2);
            break;
        case Piece::Milli:
            appendNumber(out, milli, 1);
            break;
        case Piece::Milli3:
            appendNumber(out, milli, 3);
            break;
        case Piece::AmPm:
            out += std::string_view(token.index != 0 ? (pm ? "PM" : "AM") : (pm ? "pm" : "am"));
            break;
        case Piece::AP:
            out += token.index != 0 ? (pm ? 'P' : 'A') : (pm ? 'p' : 'a');
            break;
        case Piece::AmPmJa:
            out += std::string_view(pm ? "午後" : "午前");
            break;
        }
    }
}

void BarLine::append(std::string& out, double label, bool daily, std::string_view open, double high, double low,
                     std::string_view close, const PriceFormat& prices) const
{
    // The line is written into a buffer on the stack and appended in one call: appending each piece to the
    // string costs more than writing it. A line too long for the buffer is appended piece by piece.
    constexpr std::size_t Room = 2048;
    constexpr std::size_t DateChars = 10;
    const bool withTime = !(daily && m_dropTimeInDaily);
    const std::size_t most =
        DateChars + (withTime ? m_maxTimeChars : 0) + open.size() + close.size() + 2 * PriceFormat::MaxChars + 8;
    if (most > Room) {
        writeDate(out, label);
        out += ',';
        if (withTime) {
            writeTime(out, label);
            out += ',';
        }
        out += open;
        out += ',';
        prices.appendTo(out, high);
        out += ',';
        prices.appendTo(out, low);
        out += ',';
        out += close;
        out += "\r\n";
        return;
    }
    char buffer[Room];
    CharCursor cursor{buffer};
    // Bars of one day share their date: it is written once and copied after that.
    const std::int64_t days = splitLabel(label).days;
    if (days != m_dateDay) {
        CharCursor dateCursor{m_dateText.data()};
        writeDay(dateCursor, days);
        m_dateLength = static_cast<std::size_t>(dateCursor.at - m_dateText.data());
        m_dateDay = days;
    }
    cursor += std::string_view(m_dateText.data(), m_dateLength);
    cursor += ',';
    if (withTime) {
        writeTime(cursor, label);
        cursor += ',';
    }
    cursor += open;
    cursor += ',';
    cursor.at = prices.render(high, cursor.at);
    cursor += ',';
    cursor.at = prices.render(low, cursor.at);
    cursor += ',';
    cursor += close;
    cursor += std::string_view("\r\n");
    out.append(buffer, cursor.at);
}

} // namespace velmora
