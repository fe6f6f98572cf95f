#pragma once

#include "input/SourceLines.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

enum class DateOrder : std::uint8_t {
    YearFirst,  ///< 2022-08-15, 20220815, 22.08.15
    DayFirst,   ///< 15.08.2022, 15.08.22
    MonthFirst, ///< 08/15/2022
};

enum class FieldSeparator : std::uint8_t {
    Any, ///< per line: a tab where there is one, else a semicolon, else a comma, else blanks
    Comma,
    Tab,
    Semicolon,
    Blanks,
};

/// Which columns give a line's prices: open, high, low and close; or one price of a tick file, whose columns
/// are ask then bid, every bar then built from that one price.
enum class PriceColumns : std::uint8_t {
    Ohlc,
    Bid,
    Ask,
    Mid, ///< the middle of ask and bid, written exactly (one decimal more where the sum is odd)
};

/// How a source file's lines are written, where they are not in the usual layout the reader takes (year-first
/// date, time, open, high, low, close). A line of such a file is rewritten into the usual layout as it is read,
/// and the usual reader reads it: so every rule of the conversion applies unchanged.
struct SourceLayout
{
    enum class Mode : std::uint8_t {
        Usual,  ///< the usual reading, never another: files it cannot use give nothing
        Auto,   ///< the usual reading (the default); only a file it cannot use at all is looked at to pick a layout
        Chosen, ///< the fields below, for every file
    };
    Mode mode = Mode::Auto;
    DateOrder dateOrder = DateOrder::YearFirst;
    FieldSeparator separator = FieldSeparator::Any;
    bool decimalComma = false;
    PriceColumns prices = PriceColumns::Ohlc;
    int dateColumn = 1;   ///< 1-based field of the date (or of the date and time in one field)
    int volumeColumn = 0; ///< 1-based; 0: the field after the close of a bar file, none for a tick file

    bool operator==(const SourceLayout&) const = default;
};

/// The named presets `--layout` and the settings key take: auto, usual, ymd, dmy, mdy, dmy-ticks, decimal-comma.
std::optional<SourceLayout> layoutFromName(std::string_view name);
/// The name of a layout that equals a preset, else "custom".
std::string layoutName(const SourceLayout& layout);

std::optional<DateOrder> dateOrderFromName(std::string_view name);       ///< ymd, dmy, mdy
std::optional<FieldSeparator> separatorFromName(std::string_view name);  ///< auto, comma, tab, semicolon, blanks
std::optional<PriceColumns> priceColumnsFromName(std::string_view name); ///< ohlc, bid, ask, mid
std::string_view dateOrderName(DateOrder order);
std::string_view separatorName(FieldSeparator separator);
std::string_view priceColumnsName(PriceColumns prices);

/// The layout in the log's words, e.g. "日-月-年、区切りは自動、価格は Bid".
std::string describeLayout(const SourceLayout& layout);

/// One line in the usual layout ("YYYY/MM/DD,HH:MM:SS,open,high,low,close[,volume]", after dateField - 1 filler
/// fields so that the date stands where the reader looks for it), appended to out without a line break.
/// False, with out unchanged, for a line the layout does not read.
struct RewrittenZone
{
    std::string_view text; ///< the zone word or offset after the time, as written ("Z", "+0000", "GMT+0300")
};
bool rewriteLine(std::string_view line, const SourceLayout& layout, std::int32_t dateField, std::string& out,
                 RewrittenZone* zone = nullptr);
/// rewriteLine through its general reading alone, without the quick path it takes for the usual shapes: what
/// the quick path must write.
bool rewriteLineInGeneral(std::string_view line, const SourceLayout& layout, std::int32_t dateField, std::string& out,
                          RewrittenZone* zone = nullptr);

/// Rewrites a file's lines in the layout as they are read (SourceLines::rewriteWith): each line the layout reads
/// as rewriteLine writes it, every other line as written.
std::shared_ptr<const LineRewriter> layoutRewriter(const SourceLayout& layout, std::int32_t dateField);

/// Lines from the start of a file that detection looks at.
constexpr std::size_t DetectionLines = 20;

/// For Mode::Auto: std::nullopt when the usual reading can use one of the file's first lines (the file is then
/// read as it always was), else the layout that reads most of them with prices and dates in order, if any.
std::optional<SourceLayout> detectLayout(const SourceLines& lines, std::int32_t dateField, int currentYear);

/// True when the usual reading takes the file's first usable lines year-first, though their dates are all of
/// the form nn.nn.nn and run out of order that way while they run in order day-first.
bool datesLookDayFirst(const SourceLines& lines, std::int32_t dateField, int currentYear);

/// One of a file's first lines as a layout reads it: the fields the usual reader then takes, in its words
/// (the date "YYYY/MM/DD", the time "HH:MM:SS"), or read false for a line the reading skips.
struct PreviewLine
{
    std::string text; ///< the line as written
    bool read = false;
    std::string date;
    std::string time;
    std::string open;
    std::string high;
    std::string low;
    std::string close;
};

struct LayoutPreview
{
    /// The layout the lines were read in: the one chosen, the one detection picked under "auto", or std::nullopt
    /// for the usual reading (chosen as "usual", or under "auto" where a line reads as usual).
    std::optional<SourceLayout> used;
    std::vector<PreviewLine> lines;
};

/// The first count lines of a file as a run would read them under the layout, through the same rewriting and
/// detection as the run's own loading.
LayoutPreview previewLayout(const SourceLines& lines, const SourceLayout& layout, std::int32_t dateField,
                            int currentYear, std::size_t count);

} // namespace velmora
