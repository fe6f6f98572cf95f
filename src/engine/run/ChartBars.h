#pragma once

#include "engine/settings/ConversionSettings.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// One bar as the chart draws it: its label's minute stamp (minutes since 1899-12-30 00:00) and its prices.
struct ChartBar
{
    std::int64_t minute = 0;
    double open = 0.0;
    double high = 0.0;
    double low = 0.0;
    double close = 0.0;
    /// A fill bar: open, high, low and close all the close of the bar before. In a bar file nothing else tells
    /// a fill bar from a quiet one, so the chart marks every such bar.
    bool fill = false;
};

/// The bars of a bar file's or a source's text, in the file's order: lines "date[,time],open,high,low,close[,…]"
/// with the date as year, month and day (any one-byte separator, or none) and the time as hh:mm[:ss]. A line
/// that does not read so is passed over, as is one earlier than the bar before it.
std::vector<ChartBar> readChartBars(std::string_view text);

/// The bars of a written file's bytes: the records of an MT4 history file (a name ending in ".hst"), read as
/// readChartBars() reads text otherwise.
std::vector<ChartBar> readChartFile(const std::filesystem::path& file, std::string_view bytes);

/// The bar lines of a source converted in memory at one timeframe entry with the settings, as a run would write
/// them for the entry over the file (dates with the settings' output separator); nothing is written and nothing
/// logged. Empty when the source has no usable line; throws RunError as a run would.
std::string convertInMemory(const std::filesystem::path& source, const ConversionSettings& settings,
                            const std::string& entryText);

/// The bars of a source converted in memory at one timeframe entry, with the settings' grid, labels, fill and
/// market window; nothing is written and nothing logged. Empty when the source has no usable line; throws
/// RunError as a run would for a bad setting or an unreadable file.
std::vector<ChartBar> convertForChart(const std::filesystem::path& source, ConversionSettings settings,
                                      const std::string& entryText);

} // namespace velmora
