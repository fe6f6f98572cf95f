#pragma once

#include "engine/run/ConversionRun.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora::cli {

/// The command line of velmora-convert. Every override is empty unless its option was given; the last of
/// two opposite options (--fill, --no-fill) wins.
struct CliOptions
{
    bool help = false;
    bool version = false;
    std::optional<std::filesystem::path> settingsFile;
    std::vector<std::string> files; ///< as given; made absolute when the run is built
    /// Runs the linkage batch over the download tool's instrument folders instead of converting files.
    bool linkage = false;
    /// The download tool's folder for --linkage; the current directory when not given.
    std::optional<std::filesystem::path> toolDir;

    std::optional<std::string> timeframes;
    std::optional<std::string> cutTime;
    std::optional<BarLabelling> labelling;
    std::optional<bool> fillGaps;
    std::optional<bool> marketWindow;
    std::optional<int> openDay; ///< 1 = Sunday … 7 = Saturday
    std::optional<std::string> openTime;
    std::optional<int> closeDay;
    std::optional<std::string> closeTime;
    std::optional<std::int32_t> timeZoneHours;
    std::optional<std::int32_t> dateField;
    std::optional<std::string> dateSeparator;
    std::optional<std::string> timeFormat;
    std::optional<bool> dropTime;
    std::optional<bool> forceExtension;
    std::optional<std::string> extension;
    std::optional<bool> overwrite;
    std::optional<bool> summerTable;

    /// Where --gap-report writes the holes of the sources as CSV; it also puts their summary in the log.
    std::optional<std::filesystem::path> gapReportFile;
    std::optional<bool> gapLog;  ///< section "GapReport", key "Enabled"
    std::optional<bool> gapList; ///< key "ListInLog"
    std::optional<std::int32_t> gapMinutes;
    /// Section "Input": a whole layout by its preset name, then single choices over it (any of which makes
    /// the layout a chosen one).
    std::optional<SourceLayout> layout;
    std::optional<DateOrder> dateOrder;
    std::optional<FieldSeparator> separator;
    std::optional<PriceColumns> prices;
    std::optional<bool> decimalComma;
    std::optional<std::int32_t> dateColumn;
    std::optional<std::int32_t> volumeColumn;
    std::optional<bool> appendVolume;
    /// Section "Clock": a preset (clocks, cut time and window, under the single options), then each clock.
    std::optional<std::string> clockPreset;
    std::optional<ClockChoice> sourceClock;
    std::optional<ClockChoice> marketClock;
    std::optional<ClockChoice> labelClock;
    /// Section "Output": the format of the written bars and what an .hst's header takes.
    std::optional<std::string> symbol;
    std::optional<std::int32_t> digits;
    std::optional<OutputFormat> format;
};

/// The command line read, or why it is refused (a usage error: nothing may be written then).
struct ParsedCommandLine
{
    CliOptions options;
    std::string error; ///< empty when the command line is good
};

/// Reads the arguments after the program name. Option values are checked here, before anything runs, so a
/// bad value never leaves half of a run's files written.
ParsedCommandLine parseCommandLine(std::span<const std::string> args);

/// Puts the options given on the command line over the request built from the settings file; the files
/// named on the command line replace the registered ones.
void applyOverrides(const CliOptions& options, RunRequest& request);

/// The text of --help.
std::string helpText();

} // namespace velmora::cli
