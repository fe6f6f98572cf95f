#include "engine/bars/BarLine.h"

#include "engine/bars/BarWriter.h"
#include "input/CivilDays.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring> // memcpy

namespace velmora {

namespace {

constexpr std::string_view DefaultTimeFormat = "hh:nn:ss";
constexpr std::int64_t MsPerDay = 86'400'000;
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

/// What a field of the time pattern does besides writing its piece.
enum class FieldRole : std::uint8_t {
    Plain,
    Hour,            ///< a following "m" stands for minutes
    Minute,          ///< a following "m" is a letter again
    MinuteAfterHour, ///< "m": minutes only right after an hour, as "hh:mm" is commonly written
    Meridiem,        ///< the hour is shown on a 12-hour clock
    MeridiemCased,   ///< as Meridiem, written upper case when typed with a capital "A"
};

/// One way of spelling a field, in lower case; the pattern may use any case. Piece is the writer's own kind of
/// field, a type private to it.
template <typename Piece> struct FieldSpelling
{
    std::string_view text;
    Piece piece;
    FieldRole role = FieldRole::Plain;
};

/// The first spelling the pattern's rest starts with, or nullptr for a byte that is written as it stands. The
/// longer spellings of a letter come first.
template <typename Piece, std::size_t Count>
const FieldSpelling<Piece>* spellingAt(const std::array<FieldSpelling<Piece>, Count>& spellings, std::string_view rest,
                                       bool afterHour)
{
    for (const FieldSpelling<Piece>& spelling : spellings) {
        if (startsWithNoCase(rest, spelling.text) && (afterHour || spelling.role != FieldRole::MinuteAfterHour)) {
            return &spelling;
        }
    }
    return nullptr;
}

/// Appends the text quoted from `open` on, without its quote marks, and returns where the pattern goes on: past
/// the closing quote, or at the end when the quote is never closed.
std::size_t appendQuoted(std::string& literal, std::string_view pattern, std::size_t open)
{
    const auto close = pattern.find(pattern[open], open + 1);
    const auto end = close == std::string_view::npos ? pattern.size() : close;
    literal.append(pattern.substr(open + 1, end - open - 1));
    return end == pattern.size() ? end : end + 1;
}

/// A byte of the time pattern outside any field stands as it is, but for "/": the date separator, or nothing when
/// dates are written without one.
void appendPatternByte(std::string& literal, char c, char dateSeparator)
{
    if (c != '/') {
        literal += c;
    } else if (dateSeparator != '\0') {
        literal += dateSeparator;
    }
}

bool isMeridiem(FieldRole role)
{
    return role == FieldRole::Meridiem || role == FieldRole::MeridiemCased;
}

/// Whether a following "m" stands for minutes, once this field is written.
bool hourGoesOn(FieldRole role, bool afterHour)
{
    if (role == FieldRole::Hour) {
        return true;
    }
    if (role == FieldRole::Minute || role == FieldRole::MinuteAfterHour) {
        return false;
    }
    return afterHour;
}

std::int64_t twelveHourClock(std::int64_t hour)
{
    return hour % 12 == 0 ? 12 : hour % 12;
}

std::string_view amPmText(bool pm, bool upper)
{
    if (upper) {
        return pm ? "PM" : "AM";
    }
    return pm ? "pm" : "am";
}

char apLetter(bool pm, bool upper)
{
    if (upper) {
        return pm ? 'P' : 'A';
    }
    return pm ? 'p' : 'a';
}

std::string_view amPmJaText(bool pm)
{
    return pm ? "午後" : "午前";
}

/// The usual pattern, hh:nn:ss, written in one piece.
template <typename Out> void appendClock(Out& out, std::int64_t hour, std::int64_t minute, std::int64_t second)
{
    const std::array<char, 8> text{static_cast<char>('0' + hour / 10),   static_cast<char>('0' + hour % 10),   ':',
                                   static_cast<char>('0' + minute / 10), static_cast<char>('0' + minute % 10), ':',
                                   static_cast<char>('0' + second / 10), static_cast<char>('0' + second % 10)};
    out += std::string_view(text.data(), text.size());
}

} // namespace

BarLine::BarLine(char dateSeparator, std::string_view timeFormat, bool dropTimeInDaily)
    : m_dateSeparator(dateSeparator), m_dropTimeInDaily(dropTimeInDaily)
{
    compile(timeFormat.empty() ? DefaultTimeFormat : timeFormat);
}

void BarLine::compile(std::string_view pattern)
{
    using Spelling = FieldSpelling<Piece>;
    static constexpr std::array<Spelling, 13> Spellings{{
        {"hh", Piece::Hour2, FieldRole::Hour},
        {"h", Piece::Hour, FieldRole::Hour},
        {"nn", Piece::Minute2, FieldRole::Minute},
        {"n", Piece::Minute, FieldRole::Minute},
        {"mm", Piece::Minute2, FieldRole::MinuteAfterHour},
        {"m", Piece::Minute, FieldRole::MinuteAfterHour},
        {"ss", Piece::Second2},
        {"s", Piece::Second},
        {"zzz", Piece::Milli3},
        {"z", Piece::Milli},
        {"am/pm", Piece::AmPm, FieldRole::MeridiemCased},
        {"a/p", Piece::AP, FieldRole::MeridiemCased},
        {"ampm", Piece::AmPmJa, FieldRole::Meridiem},
    }};

    std::string literal;
    const auto flushLiteral = [&] {
        if (!literal.empty()) {
            m_tokens.push_back({Piece::Literal, static_cast<std::uint32_t>(m_literals.size())});
            m_literals.push_back(std::move(literal));
            literal.clear();
        }
    };
    bool afterHour = false;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '"' || c == '\'') {
            i = appendQuoted(literal, pattern, i);
            continue;
        }
        const Spelling* field = spellingAt(Spellings, pattern.substr(i), afterHour);
        if (field == nullptr) {
            appendPatternByte(literal, c, m_dateSeparator);
            ++i;
            continue;
        }
        flushLiteral();
        const bool upper = field->role == FieldRole::MeridiemCased && c == 'A';
        m_tokens.push_back({field->piece, upper ? 1U : 0U});
        m_twelveHour = m_twelveHour || isMeridiem(field->role);
        afterHour = hourGoesOn(field->role, afterHour);
        i += field->text.size();
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
    const CivilDate date = civilFromDays(days);
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
    if (m_hhnnss) {
        appendClock(out, hour, minute, second);
        return;
    }
    const std::int64_t milli = ms % 1000;
    const bool pm = hour >= 12;
    const std::int64_t shownHour = m_twelveHour ? twelveHourClock(hour) : hour;
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
            out += amPmText(pm, token.index != 0);
            break;
        case Piece::AP:
            out += apLetter(pm, token.index != 0);
            break;
        case Piece::AmPmJa:
            out += amPmJaText(pm);
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

void BarLine::appendField(std::string& out, std::string_view field)
{
    out.insert(out.size() - 2, 1, ',');
    out.insert(out.size() - 2, field);
}

std::int64_t labelUnixSeconds(double label)
{
    const Split split = splitLabel(label);
    return (split.days - UnixEpochDay) * 86'400 + split.msOfDay / 1000;
}

std::string_view volumeText(const ClosedBar& bar, VolumeRoom& room)
{
    if (bar.lineCount == 0) {
        return "0";
    }
    const auto written = std::to_chars(room.data(), room.data() + room.size(), bar.volume, std::chars_format::fixed,
                                       static_cast<int>(bar.volumeDecimals));
    return written.ec == std::errc{} ? std::string_view(room.data(), written.ptr) : "0";
}

} // namespace velmora
