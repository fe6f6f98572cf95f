#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

enum class DateOrder : std::uint8_t {
    YearFirst,  ///< 2022-08-15, 20220815, 22.08.15
    DayFirst,   ///< 15.08.2022, 15.08.22
    MonthFirst, ///< 08/15/2022
    Epoch,      ///< seconds (10 digits) or milliseconds (13 digits) since 1970-01-01 00:00 UTC, date and time in one
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
    /// Under Mode::Auto, the parts above the user gave (Given bits): detection keeps them and chooses the rest.
    std::uint8_t given = 0;

    enum Given : std::uint8_t {
        GivenDateOrder = 1U << 0U,
        GivenSeparator = 1U << 1U,
        GivenDecimalComma = 1U << 2U,
        GivenPrices = 1U << 3U,
        GivenDateColumn = 1U << 4U,
        GivenVolumeColumn = 1U << 5U,
    };
    bool isGiven(Given part) const { return (given & part) != 0; }

    bool operator==(const SourceLayout&) const = default;
};

/// A chosen layout with the date in the first column and the volume after the close.
SourceLayout chosenLayout(DateOrder order, FieldSeparator separator = FieldSeparator::Any, bool decimalComma = false,
                          PriceColumns prices = PriceColumns::Ohlc);

/// The named presets `--layout` and the settings key take: auto, usual, ymd, dmy, mdy, dmy-ticks, decimal-comma.
std::optional<SourceLayout> layoutFromName(std::string_view name);
/// The name of a layout that equals a preset, else "custom".
std::string layoutName(const SourceLayout& layout);

std::optional<DateOrder> dateOrderFromName(std::string_view name);       ///< ymd, dmy, mdy, epoch
std::optional<FieldSeparator> separatorFromName(std::string_view name);  ///< auto, comma, tab, semicolon, blanks
std::optional<PriceColumns> priceColumnsFromName(std::string_view name); ///< ohlc, bid, ask, mid
std::string_view dateOrderName(DateOrder order);
std::string_view separatorName(FieldSeparator separator);
std::string_view priceColumnsName(PriceColumns prices);

/// The layout in the log's words, e.g. "日-月-年、区切りは自動、価格は Bid".
std::string describeLayout(const SourceLayout& layout);

} // namespace velmora
