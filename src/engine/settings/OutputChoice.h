#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// The layout a run writes its bars in. Text is the usual bar line and the default; the others are the files
/// that trading platforms open or import, written from the same bars.
enum class OutputFormat : std::uint8_t {
    Text,
    Hst,         ///< MetaTrader 4 history file, version 401
    Mt5,         ///< MetaTrader 5's tab-separated text with its header
    NinjaTrader, ///< "yyyyMMdd HHmmss;o;h;l;c;v"
    ForexTester, ///< "<TICKER>,<DTYYYYMMDD>,<TIME>,…"
    Csv,         ///< "date,time,open,high,low,close[,volume]" with ISO dates
};

/// Section "Output": the format and what an .hst's header needs beyond the bars.
struct OutputChoice
{
    OutputFormat format = OutputFormat::Text;
    std::string symbol;       ///< empty: taken from the source's name (or the instrument folder in linkage mode)
    std::int32_t digits = -1; ///< below 0: the most decimals among the written prices
};

/// The format a name stands for ("text", "hst", "mt5", "ninjatrader", "forex-tester", "csv"), in any letter
/// case; std::nullopt for any other text.
std::optional<OutputFormat> outputFormatFromName(std::string_view name);
/// The name of a format as the settings file and the headless tool write it.
std::string_view outputFormatName(OutputFormat format);

/// The most bytes of an .hst's symbol: its header field holds 12 with the closing NUL.
inline constexpr std::size_t MaxSymbolBytes = 11;
/// The most decimals a price can have in an .hst's header.
inline constexpr std::int32_t MaxDigits = 10;

} // namespace velmora
