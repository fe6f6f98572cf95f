#pragma once

#include "input/SourceRecord.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

/// What a bar walk takes from one source line: its minute stamp, its high and low, and its open and close as
/// the source writes them, copied in (the walk then never goes back to the source's bytes for them). Left
/// uninitialised where it is made: records are made by the million and every field is written before use.
struct ParsedLine
{
    /// The longest open or close held here.
    static constexpr std::size_t PriceChars = 16;

    double high;
    double low;
    std::int32_t stamp;
    std::uint8_t openLength;
    std::uint8_t closeLength;
    /// pricesOutOfOrder() of the line, when its prices are held.
    bool outOfOrder;
    char open[PriceChars];
    char close[PriceChars];

    /// openLength when the prices are not held here: a field is missing or does not read (the walk reads the
    /// line again when it adds it to a bar, so that the error it ends the run with comes from there), or an
    /// open or close is longer than PriceChars.
    static constexpr std::uint8_t PricesNotHeld = UINT8_MAX;

    bool pricesHeld() const { return openLength != PricesNotHeld; }
    std::string_view openText() const { return {open, openLength}; }
    std::string_view closeText() const { return {close, closeLength}; }
};

/// The field after a line's close as a volume: kept beside the ParsedLine records rather than in them, so that
/// reading without volumes moves no more bytes than before.
struct LineVolume
{
    double value = 0.0; ///< 0 when the field is missing or does not read (readVolume)
    std::uint8_t decimals = 0;
};

/// A volume as price files write it: a decimal number (parseDecimal) and the count of digits after its point,
/// at most 9 (a number with an exponent counts as 9). False, with value 0 and decimals 0, for anything else.
bool readVolume(std::string_view text, double& value, std::uint8_t& decimals);

/// pricesOutOfOrder() of four texts of one length (8 bytes must be readable from each start) whose high and
/// low read as numbers, without reading them, where each is digits with a "." at one place: 1 when out of
/// order, 0 when in order, -1 when the texts are not of that form.
int plainPriceOrder(const char* open, const char* high, const char* low, const char* close, std::size_t length);

/// The date of the line read last and its day: lines mostly share their date, so a reader reads a date text
/// only when it differs from the one before.
struct DateMemo
{
    std::string text;
    std::int64_t day = 0;
    bool held = false;
};

/// Reads source lines into ParsedLine without a side effect: no message, no change of separator, no error.
/// A line that would cause one of those in the walk's own reading, or that the walk would skip, is refused,
/// and the walk reads it itself; so a line this parser accepts gives the walk exactly what its own reading
/// would have given. Safe to use on another thread than the walk's, one parser per thread.
class LineParser
{
public:
    /// dateField counts from 1; separator is the input date separator in force; memo is the date memo of the
    /// walk before the first line this parser reads.
    LineParser(std::int32_t dateField, char separator, int currentYear, DateMemo memo);

    /// True with out filled when the line reads cleanly. line must stay in place while out is used.
    bool read(std::string_view line, ParsedLine& out);

    /// What readQuick made of a line.
    enum class Quick {
        Read,     ///< as read() returning true
        Refused,  ///< as read() returning false
        NotPlain, ///< not a line readQuick takes: read() must read it
    };

    /// Bytes from a line's start that readQuick looks at, into the lines after it: a line of up to 63 bytes
    /// and PriceChars bytes from any of its fields.
    static constexpr std::size_t QuickWindow = 64 + ParsedLine::PriceChars;

    /// read() for the usual line, found and cut in one pass: shorter than 64 bytes, its fields without blanks,
    /// quotes or control bytes. start must have QuickWindow bytes after it before the text ends. The line
    /// ends at the first CR or LF; on Read or Refused, next is set to the start of the line after it.
    Quick readQuick(const char* start, ParsedLine& out, std::size_t& next);

    const DateMemo& memo() const { return m_memo; }

    /// Makes the parser read each line's volume as well; a parser for bars without volumes never does that work.
    void readVolumes() { m_volumes = true; }
    /// The volume of the line read last, with readVolumes().
    const LineVolume& volume() const { return m_volume; }
    /// Reads the volume of the line readQuick has read last (it reads no volume itself, but keeps where the
    /// close ends); line holds that line from its start, with or without its line break.
    void readQuickVolume(std::string_view line);

private:
    bool readStamp(std::string_view dateText, std::string_view timeText, std::int32_t& stamp);
    void readPrices(ParsedLine& out) const;
    void readRecordVolume();

    SourceRecord m_record;
    char m_separator;
    int m_currentYear;
    DateMemo m_memo;
    bool m_volumes = false;
    LineVolume m_volume;
    std::size_t m_closeEnd = SIZE_MAX; ///< where the close of the line readQuick read last ends
};

} // namespace velmora
