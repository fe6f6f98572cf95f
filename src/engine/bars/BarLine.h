#pragma once

#include "engine/bars/PriceFormat.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// Writes bar lines: date, time, open, high, low, close, each line ended by CR LF. The time pattern is taken
/// apart once, when the writer is made, so that writing a line costs no parsing and no allocation beyond
/// the growth of the caller's buffer.
class BarLine
{
public:
    /// dateSeparator '\0' writes the date's digits with nothing between them. An empty time pattern writes
    /// "hh:nn:ss". dropTimeInDaily leaves the time field out of daily bars.
    BarLine(char dateSeparator, std::string_view timeFormat, bool dropTimeInDaily);

    /// Appends one bar line with its CR LF. label is a date-time value (days since 1899-12-30, the fraction
    /// the time of day) after every shift; it is rounded to the millisecond before it is written.
    void append(std::string& out, double label, bool daily, std::string_view open, double high, double low,
                std::string_view close, const PriceFormat& prices) const;

    /// Puts one more field at the end of the line appended last to out, before its CR LF.
    static void appendField(std::string& out, std::string_view field);

    /// The date part of a line, yyyy/MM/dd with the separator, appended.
    void appendDate(std::string& out, double label) const;
    /// The time part of a line as the pattern lays it out, appended.
    void appendTime(std::string& out, double label) const;

private:
    enum class Piece : std::uint8_t {
        Literal, ///< m_literals[index]
        Hour,
        Hour2,
        Minute,
        Minute2,
        Second,
        Second2,
        Milli,  ///< "z": milliseconds without padding
        Milli3, ///< "zzz"
        AmPm,   ///< "am/pm": lower or upper as typed, and a 12-hour clock for the hour
        AP,     ///< "a/p"
        AmPmJa, ///< "ampm": "午前" or "午後"
    };
    struct Token
    {
        Piece piece;
        std::uint32_t index = 0; ///< literal index, or letter case (0 lower, 1 upper) for the am/pm forms
    };
    void compile(std::string_view pattern);
    template <typename Out> void writeDate(Out& out, double label) const;
    template <typename Out> void writeDay(Out& out, std::int64_t days) const;
    template <typename Out> void writeTime(Out& out, double label) const;

    char m_dateSeparator;
    bool m_dropTimeInDaily;
    bool m_twelveHour = false;
    bool m_hhnnss = false; ///< the pattern is "hh:nn:ss" (or the same written otherwise)
    std::vector<Token> m_tokens;
    std::vector<std::string> m_literals;
    std::size_t m_maxTimeChars = 0;
    /// The date text of the day written last.
    mutable std::int64_t m_dateDay = INT64_MIN;
    mutable std::array<char, 32> m_dateText{};
    mutable std::size_t m_dateLength = 0;
};

/// The label as seconds since 1970-01-01 00:00, the date and time a bar line writes for it (its milliseconds
/// left out).
std::int64_t labelUnixSeconds(double label);

} // namespace velmora
