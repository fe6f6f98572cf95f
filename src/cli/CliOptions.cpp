#include "cli/CliOptions.h"

#include "engine/bars/TimeframeEntry.h"
#include "engine/clock/ClockPresets.h"
#include "engine/settings/RunBoxes.h"
#include "engine/settings/SettingRanges.h"
#include "input/DateTimeText.h"
#include "platform/Numbers.h"
#include "platform/RunError.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <functional>

namespace velmora::cli {

namespace {

std::string lowered(std::string_view text)
{
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return result;
}

bool hasControlCharacter(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string badValue(std::string_view option, std::string_view value, std::string_view why)
{
    std::string message = "invalid value '";
    message += value;
    message += "' for ";
    message += option;
    message += ": ";
    message += why;
    return message;
}

// A value check: returns an error text, empty when the value is taken.
using ValueCheck = std::function<std::string(std::string_view option, std::string_view value, CliOptions&)>;

std::string takeTimeframes(std::string_view option, std::string_view value, CliOptions& options)
{
    const auto entries = splitTimeframeList(normaliseTimeframeBox(value));
    if (entries.empty()) {
        return badValue(option, value, "no timeframe in the list");
    }
    BarKind kind = BarKind::Minutes;
    for (const auto& entry : entries) {
        try {
            TimeframeEntry::ResolveEntry(entry, kind);
        } catch (const RunError& error) {
            return badValue(option, value, error.what());
        }
    }
    options.timeframes = std::string(value);
    return {};
}

// The run reads these times as hours and minutes around ":"; a text without one has no minute of the day.
std::optional<std::string> timeOfDay(std::string_view value)
{
    if (value.find(':') == std::string_view::npos || !parseTimeOfDayMs(value)) {
        return std::nullopt;
    }
    return std::string(value);
}

ValueCheck timeInto(std::optional<std::string> CliOptions::*member)
{
    return [member](std::string_view option, std::string_view value, CliOptions& options) -> std::string {
        auto time = timeOfDay(value);
        if (!time) {
            return badValue(option, value, "expected a time of day such as 17:00");
        }
        options.*member = std::move(time);
        return {};
    };
}

ValueCheck dayInto(std::optional<int> CliOptions::*member)
{
    return [member](std::string_view option, std::string_view value, CliOptions& options) -> std::string {
        static constexpr std::array<std::string_view, 7> shortNames{"sun", "mon", "tue", "wed", "thu", "fri", "sat"};
        static constexpr std::array<std::string_view, 7> longNames{"sunday",   "monday", "tuesday", "wednesday",
                                                                   "thursday", "friday", "saturday"};
        const auto name = lowered(value);
        for (std::size_t i = 0; i < shortNames.size(); ++i) {
            if (name == shortNames[i] || name == longNames[i]) {
                options.*member = static_cast<int>(i) + 1;
                return {};
            }
        }
        return badValue(option, value, "expected a weekday: sun, mon, tue, wed, thu, fri or sat");
    };
}

ValueCheck clockInto(std::optional<ClockChoice> CliOptions::*member)
{
    return [member](std::string_view option, std::string_view value, CliOptions& options) -> std::string {
        std::string error;
        auto clock = parseClock(value, error);
        if (!clock) {
            return badValue(option, value,
                            "expected file, UTC, UTC+9, +09:00, NY+7 or a zone such as America/New_York");
        }
        options.*member = std::move(clock);
        return {};
    };
}

std::string takeClockPreset(std::string_view option, std::string_view value, CliOptions& options)
{
    if (clockPresetNamed(value) == nullptr) {
        std::string names;
        for (const ClockPreset& preset : clockPresets()) {
            names += (names.empty() ? "" : ", ") + std::string(preset.name);
        }
        return badValue(option, value, "expected " + names);
    }
    options.clockPreset = std::string(value);
    return {};
}

ValueCheck integerInto(std::optional<std::int32_t> CliOptions::*member, ValueRange range)
{
    return [=](std::string_view option, std::string_view value, CliOptions& options) -> std::string {
        const auto number = parseInt(value);
        if (!number || !range.contains(*number)) {
            return badValue(option, value,
                            "expected a whole number from " + std::to_string(range.minimum) + " to " +
                                std::to_string(range.maximum));
        }
        options.*member = *number;
        return {};
    };
}

std::string takeLabel(std::string_view option, std::string_view value, CliOptions& options)
{
    const auto name = lowered(value);
    if (name == "start") {
        options.labelling = BarLabelling::ByStart;
    } else if (name == "end") {
        options.labelling = BarLabelling::ByEnd;
    } else {
        return badValue(option, value, "expected start or end");
    }
    return {};
}

std::string takeDateSeparator(std::string_view option, std::string_view value, CliOptions& options)
{
    if (value.size() != 1 || value.front() < 0x20 || value.front() > 0x7e) {
        return badValue(option, value, "expected one ASCII character such as / or -");
    }
    options.dateSeparator = std::string(value);
    return {};
}

std::string takeTimeFormat(std::string_view option, std::string_view value, CliOptions& options)
{
    // A line break in the pattern would split every bar line in two.
    if (value.empty() || hasControlCharacter(value)) {
        return badValue(option, value, "expected a pattern such as hh:nn:ss");
    }
    options.timeFormat = std::string(value);
    return {};
}

std::string takeExtension(std::string_view option, std::string_view value, CliOptions& options)
{
    if (value.empty() || value == "." || hasControlCharacter(value)) {
        return badValue(option, value, "expected an extension such as .csv");
    }
    options.extension = std::string(value);
    options.forceExtension = true;
    return {};
}

std::string takeSymbol(std::string_view option, std::string_view value, CliOptions& options)
{
    // The symbol names the .hst file and fills a fixed field of its header.
    if (value.empty() || value.size() > MaxSymbolBytes || hasControlCharacter(value) ||
        value.find_first_of("/\\") != std::string_view::npos) {
        return badValue(option, value, "expected a symbol of 1 to 11 bytes such as EURUSD");
    }
    options.symbol = std::string(value);
    return {};
}

std::string takeToolDir(std::string_view option, std::string_view value, CliOptions& options)
{
    if (value.empty()) {
        return badValue(option, value, "expected a folder");
    }
    options.toolDir = pathFromText(value);
    return {};
}

std::string takeSettings(std::string_view option, std::string_view value, CliOptions& options)
{
    if (value.empty()) {
        return badValue(option, value, "expected a file name");
    }
    options.settingsFile = pathFromText(value);
    return {};
}

std::string takeGapReport(std::string_view option, std::string_view value, CliOptions& options)
{
    if (value.empty()) {
        return badValue(option, value, "expected a file name");
    }
    options.gapReportFile = pathFromText(value);
    return {};
}

/// A choice read by one of the layout's name readers.
template <class T>
ValueCheck choiceInto(std::optional<T> CliOptions::*member, std::optional<T> (*fromName)(std::string_view),
                      std::string_view expected)
{
    return [=](std::string_view option, std::string_view value, CliOptions& options) -> std::string {
        auto choice = fromName(lowered(value));
        if (!choice) {
            return badValue(option, value, "expected " + std::string(expected));
        }
        options.*member = choice;
        return {};
    };
}

struct ValueOption
{
    std::string_view longName;
    std::string_view shortName;
    ValueCheck take;
};

struct FlagOption
{
    std::string_view longName;
    std::string_view shortName;
    std::function<void(CliOptions&)> set;
};

template <class T> std::function<void(CliOptions&)> setTo(std::optional<T> CliOptions::*member, T value)
{
    return [=](CliOptions& options) { options.*member = value; };
}

const std::vector<ValueOption>& valueOptions()
{
    static const std::vector<ValueOption> table{
        {"--settings", "-s", takeSettings},
        {"--tool-dir", "", takeToolDir},
        {"--timeframes", "-t", takeTimeframes},
        {"--cut-time", "", timeInto(&CliOptions::cutTime)},
        {"--label", "", takeLabel},
        {"--open-day", "", dayInto(&CliOptions::openDay)},
        {"--clock-preset", "", takeClockPreset},
        {"--source-clock", "", clockInto(&CliOptions::sourceClock)},
        {"--market-clock", "", clockInto(&CliOptions::marketClock)},
        {"--label-clock", "", clockInto(&CliOptions::labelClock)},
        {"--open-time", "", timeInto(&CliOptions::openTime)},
        {"--close-day", "", dayInto(&CliOptions::closeDay)},
        {"--close-time", "", timeInto(&CliOptions::closeTime)},
        {"--time-zone", "", integerInto(&CliOptions::timeZoneHours, TimeZoneHoursRange)},
        {"--date-field", "", integerInto(&CliOptions::dateField, DateFieldRange)},
        {"--date-separator", "", takeDateSeparator},
        {"--time-format", "", takeTimeFormat},
        {"--extension", "", takeExtension},
        {"--gap-report", "", takeGapReport},
        {"--gap-minutes", "", integerInto(&CliOptions::gapMinutes, GapMinutesRange)},
        {"--layout", "",
         choiceInto(&CliOptions::layout, layoutFromName, "usual, auto, ymd, dmy, mdy, dmy-ticks or decimal-comma")},
        {"--date-order", "", choiceInto(&CliOptions::dateOrder, dateOrderFromName, "ymd, dmy, mdy or epoch")},
        {"--separator", "",
         choiceInto(&CliOptions::separator, separatorFromName, "auto, comma, tab, semicolon or blanks")},
        {"--price", "", choiceInto(&CliOptions::prices, priceColumnsFromName, "ohlc, bid, ask or mid")},
        {"--date-column", "", integerInto(&CliOptions::dateColumn, ValueRange{1, 32})},
        {"--volume-column", "", integerInto(&CliOptions::volumeColumn, ValueRange{0, 32})},
        {"--format", "",
         choiceInto(&CliOptions::format, outputFormatFromName, "text, hst, mt5, ninjatrader, forex-tester or csv")},
        {"--symbol", "", takeSymbol},
        {"--digits", "", integerInto(&CliOptions::digits, ValueRange{0, MaxDigits})},
    };
    return table;
}

const std::vector<FlagOption>& flagOptions()
{
    static const std::vector<FlagOption> table{
        {"--help", "-h", [](CliOptions& options) { options.help = true; }},
        {"--version", "-V", [](CliOptions& options) { options.version = true; }},
        {"--linkage", "", [](CliOptions& options) { options.linkage = true; }},
        {"--fill", "", setTo(&CliOptions::fillGaps, true)},
        {"--no-fill", "", setTo(&CliOptions::fillGaps, false)},
        {"--market-window", "", setTo(&CliOptions::marketWindow, true)},
        {"--no-market-window", "", setTo(&CliOptions::marketWindow, false)},
        {"--drop-time", "", setTo(&CliOptions::dropTime, true)},
        {"--keep-time", "", setTo(&CliOptions::dropTime, false)},
        {"--no-extension", "", setTo(&CliOptions::forceExtension, false)},
        {"--overwrite", "", setTo(&CliOptions::overwrite, true)},
        {"--no-overwrite", "", setTo(&CliOptions::overwrite, false)},
        {"--summer", "", setTo(&CliOptions::summerTable, true)},
        {"--no-summer", "", setTo(&CliOptions::summerTable, false)},
        {"--gap-log", "", setTo(&CliOptions::gapLog, true)},
        {"--no-gap-log", "", setTo(&CliOptions::gapLog, false)},
        {"--gap-list", "", setTo(&CliOptions::gapList, true)},
        {"--decimal-comma", "", setTo(&CliOptions::decimalComma, true)},
        {"--decimal-point", "", setTo(&CliOptions::decimalComma, false)},
        {"--volume", "", setTo(&CliOptions::appendVolume, true)},
        {"--no-volume", "", setTo(&CliOptions::appendVolume, false)},
    };
    return table;
}

bool names(std::string_view word, std::string_view longName, std::string_view shortName)
{
    return word == longName || (!shortName.empty() && word == shortName);
}

template <class Option> const Option* findOption(const std::vector<Option>& table, std::string_view word)
{
    const auto found =
        std::find_if(table.begin(), table.end(), [&](const Option& o) { return names(word, o.longName, o.shortName); });
    return found != table.end() ? &*found : nullptr;
}

/// An option as written: its name, and the value given after "=" in a long option ("--label=end").
struct OptionWord
{
    std::string_view word;
    std::optional<std::string_view> inlineValue;
};

OptionWord splitOptionWord(std::string_view arg)
{
    if (const auto equals = arg.find('='); arg.starts_with("--") && equals != std::string_view::npos) {
        return {arg.substr(0, equals), arg.substr(equals + 1)};
    }
    return {arg, std::nullopt};
}

/// Takes the option at args[i], and the next argument when that is its value (moving i onto it). Returns the
/// error text, empty when the option is taken.
std::string takeOption(std::span<const std::string> args, std::size_t& i, CliOptions& options)
{
    const std::string_view arg = args[i];
    const auto [word, inlineValue] = splitOptionWord(arg);
    if (const ValueOption* value = findOption(valueOptions(), word)) {
        if (inlineValue) {
            return value->take(word, *inlineValue, options);
        }
        if (i + 1 < args.size()) {
            return value->take(word, args[++i], options);
        }
        return "option " + std::string(word) + " needs a value";
    }
    if (const FlagOption* flag = findOption(flagOptions(), word)) {
        if (inlineValue) {
            return "option " + std::string(word) + " takes no value";
        }
        flag->set(options);
        return {};
    }
    return "unknown option " + std::string(arg);
}

/// What the options refuse taken together, empty when nothing. Help and the version need nothing else.
std::string conflictOf(const CliOptions& options)
{
    if (options.help || options.version) {
        return {};
    }
    if (options.linkage) {
        // The batch registers each instrument's files itself, and labels every bar by its start so that its
        // up-to-date test can read the outputs it wrote before.
        if (!options.files.empty()) {
            return "--linkage takes no source file: it converts the download tool's folders";
        }
        if (options.labelling) {
            return "--label cannot be used with --linkage: the batch labels bars by their start";
        }
        if (options.gapReportFile) {
            return "--gap-report cannot be used with --linkage: the batch runs once per instrument";
        }
        return {};
    }
    if (options.toolDir) {
        return "--tool-dir needs --linkage";
    }
    if (options.files.empty()) {
        return "no source file given";
    }
    return {};
}

/// Sets one part of the layout from its option, if given, and marks it as given.
template <typename T>
void applyPart(const std::optional<T>& option, T& part, SourceLayout& layout, SourceLayout::Given given)
{
    if (option) {
        part = *option;
        layout.given |= given;
    }
}

void applyLayoutOverrides(const CliOptions& options, SourceLayout& layout)
{
    if (options.layout) {
        layout = *options.layout;
    }
    const bool choices = options.dateOrder || options.separator || options.prices || options.decimalComma ||
                         options.dateColumn || options.volumeColumn;
    if (!choices) {
        return;
    }
    // Under "auto" each option fixes its own part and detection chooses the rest; the usual reading takes none of
    // them, so options given with it read as a layout of their own, as they always did.
    if (layout.mode == SourceLayout::Mode::Usual) {
        layout = *layoutFromName("ymd");
    }
    applyPart(options.dateOrder, layout.dateOrder, layout, SourceLayout::GivenDateOrder);
    applyPart(options.separator, layout.separator, layout, SourceLayout::GivenSeparator);
    applyPart(options.prices, layout.prices, layout, SourceLayout::GivenPrices);
    applyPart(options.decimalComma, layout.decimalComma, layout, SourceLayout::GivenDecimalComma);
    applyPart(options.dateColumn, layout.dateColumn, layout, SourceLayout::GivenDateColumn);
    applyPart(options.volumeColumn, layout.volumeColumn, layout, SourceLayout::GivenVolumeColumn);
    if (layout.mode == SourceLayout::Mode::Chosen) {
        layout.given = 0;
    }
}

} // namespace

ParsedCommandLine parseCommandLine(std::span<const std::string> args)
{
    ParsedCommandLine parsed;
    auto& options = parsed.options;
    bool onlyFiles = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (onlyFiles || arg.size() < 2 || arg.front() != '-') {
            options.files.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            onlyFiles = true;
            continue;
        }
        parsed.error = takeOption(args, i, options);
        if (!parsed.error.empty()) {
            return parsed;
        }
    }
    parsed.error = conflictOf(options);
    return parsed;
}

namespace {

void applyClockPreset(const ClockPreset& preset, ConversionSettings& settings)
{
    settings.clocks = clocksOf(preset);
    settings.cutTime = preset.cutTime;
    settings.marketWindow = true;
    settings.marketOpenDay = preset.openDay;
    settings.marketOpenTime = preset.openTime;
    settings.marketCloseDay = preset.closeDay;
    settings.marketCloseTime = preset.closeTime;
}

} // namespace

void applyOverrides(const CliOptions& options, RunRequest& request)
{
    auto& settings = request.settings;
    auto put = [](auto& target, const auto& source) {
        if (source) {
            target = *source;
        }
    };
    if (options.clockPreset) {
        applyClockPreset(*clockPresetNamed(*options.clockPreset), settings);
    }
    put(settings.clocks.source, options.sourceClock);
    put(settings.clocks.market, options.marketClock);
    put(settings.clocks.label, options.labelClock);
    put(settings.timeframes, options.timeframes);
    put(settings.cutTime, options.cutTime);
    put(settings.labelling, options.labelling);
    put(settings.fillGaps, options.fillGaps);
    put(settings.marketWindow, options.marketWindow);
    put(settings.marketOpenDay, options.openDay);
    put(settings.marketOpenTime, options.openTime);
    put(settings.marketCloseDay, options.closeDay);
    put(settings.marketCloseTime, options.closeTime);
    put(settings.timeFormat, options.timeFormat);
    put(settings.dropTimeInDaily, options.dropTime);
    put(settings.forceExtension, options.forceExtension);
    put(settings.extension, options.extension);
    put(settings.overwriteWithoutAsking, options.overwrite);
    put(settings.appendVolume, options.appendVolume);
    put(settings.output.format, options.format);
    put(settings.output.symbol, options.symbol);
    put(settings.output.digits, options.digits);
    if (options.summerTable) {
        settings.summerTable = *options.summerTable;
        request.summer.enabled = *options.summerTable;
    }
    if (options.timeZoneHours) {
        request.timeZoneBox = std::to_string(*options.timeZoneHours);
        settings.timeZoneShiftDays = *options.timeZoneHours / 24.0;
    }
    if (options.dateField) {
        request.dateFieldBox = std::to_string(*options.dateField);
        settings.dateField = *options.dateField;
    }
    if (options.dateSeparator) {
        request.dateSeparatorBox = *options.dateSeparator;
        settings.outputDateSeparator = separatorFromBox(*options.dateSeparator);
    }
    applyLayoutOverrides(options, settings.sourceLayout);

    put(request.gaps.enabled, options.gapLog);
    put(request.gaps.listInLog, options.gapList);
    put(request.gaps.longerThan, options.gapMinutes);
    // Asking for the report or its list asks for the counting, and the summary with it.
    request.gaps.enabled = request.gaps.enabled || options.gapReportFile || request.gaps.listInLog;

    // The window registers full paths, and the run's messages and output folders follow from them.
    request.files.clear();
    for (const auto& file : options.files) {
        std::error_code error;
        auto absolute = std::filesystem::absolute(pathFromText(file), error);
        request.files.push_back(error ? file : pathText(absolute.lexically_normal()));
    }
}

std::string helpText()
{
    return R"(Usage: velmora-convert [--settings FILE] [options] FILE...
       velmora-convert --linkage [--tool-dir DIR] [--settings FILE] [options]

Converts 1-minute price files into bar files of other timeframes, exactly as the
"実行" button of the desktop program does. Options default to the main window's
settings (sections "Form" and "Summer" of the settings file); the options below
override single settings for this run only. The settings file is never written.

Settings:
  -s, --settings FILE       settings file to read (default: velmora.ini beside
                            the program); a missing default file means defaults
Timeframes and bars:
  -t, --timeframes LIST     timeframe list, e.g. "5, 60, 240, 1440" or "-60+240";
                            also M1 M5 M15 M30 H1 H4 D1, W1 (weeks), MN1 (months)
      --cut-time HH:MM      base cut time of the bar grid (default 17:00)
      --label start|end     label bars by their start (MetaTrader) or end (VT)
      --fill, --no-fill     fill empty bars from the previous close
      --volume, --no-volume add the bar's volume as a seventh field (the sum of
                            the field after the close, or the count of lines)
Market window:
      --market-window, --no-market-window
                            write only bars inside the weekly market window
      --open-day DAY        weekday the window opens (sun, mon, ... sat)
      --open-time HH:MM     time the window opens
      --close-day DAY       weekday the window closes
      --close-time HH:MM    time the window closes
Clocks (section "Clock"; see docs/clocks.md):
      --source-clock CLOCK  what the file's times are written in
      --market-clock CLOCK  what the cut time and the market window are in
      --label-clock CLOCK   what the written labels are in; each CLOCK is
                            file (the default: as the file's times stand),
                            UTC, UTC+9, +09:00, NY+7 (New York + 7, the usual
                            broker clock) or a zone such as America/New_York
      --clock-preset NAME   clocks, cut time and window at once: file,
                            utc-new-york, broker, tokyo-new-york, tokyo-session
Source and output:
      --time-zone HOURS     shift every label by whole hours (-100 to 100)
      --date-field N        position of the date field in a source line (1-100)
      --date-separator C    date separator of written bars, e.g. / or -
      --time-format FORMAT  time field of written bars, e.g. hh:nn:ss or hh:nn
      --drop-time, --keep-time
                            leave the time field out of daily bars, or keep it
      --extension EXT       give every output file this extension
      --no-extension        keep the source file's extension
      --overwrite, --no-overwrite
                            replace existing output files without asking
      --summer, --no-summer use the summer-time table of the settings file
Output format (section "Output"; see docs/formats-bars.md):
      --format NAME         text (default), hst (MetaTrader 4 history), mt5,
                            ninjatrader, forex-tester or csv
      --symbol NAME         symbol of .hst and Forex Tester files (default:
                            the file's name before its first "_" or digit)
      --digits N            decimals in an .hst header (0-10; default: the
                            most among the prices)
Gap report (section "GapReport"):
      --gap-report FILE     write the holes of every source as CSV (source,
                            start, end, minutes, fill bars of each timeframe)
                            and a summary line per source to the log
      --gap-log, --no-gap-log
                            the summary line per source in the log
      --gap-list            each hole on a log line below the summary
      --gap-minutes N       report holes longer than N minutes inside the
                            market window (default 30)
Source layout (section "Input"; see docs/formats-source.md):
      --layout NAME         auto (default: the lines velmora always read, another
                            layout detected only for a file none of whose first
                            lines read), usual (never another), ymd, dmy, mdy,
                            dmy-ticks or decimal-comma
      --date-order ORDER    ymd, dmy, mdy or epoch (seconds or milliseconds since 1970)
      --separator SEP       auto, comma, tab, semicolon or blanks
      --price PRICE         ohlc, or one tick price: bid, ask or mid
      --decimal-comma, --decimal-point
                            prices written with a decimal comma, or a point
      --date-column N       field of the date (and time) in a line (1-32)
      --volume-column N     field of the volume (0: the one after the close)
Linkage batch:
      --linkage             convert the 1-minute files of the download tool
                            (Quenbry.exe) in every instrument folder checked
                            in the linkage window (section "Form2"); outputs
                            go to 5min, 1hour, ... folders beside 1min, and
                            outputs that are up to date are skipped
      --tool-dir DIR        the download tool's folder (default: the current
                            folder); -t then sets the batch's timeframe list
Other:
  -h, --help                show this help
  -V, --version             show the version

The log goes to standard output, messages to standard error. When an output
file exists and --overwrite is not in force, a terminal is asked what to do;
otherwise the file is skipped and the log says so.

A FILE ending in .zip or .gz is read unpacked in memory: each file in a zip is
a source of its own (in name order), and the bars go beside the archive,
named after the file in it.

Exit status: 0 done, 1 an error ended the run (or the batch), 2 usage error,
130 interrupted.

Examples:
  velmora-convert EURUSD_1min_2009.txt
  velmora-convert -t "5, 60, 240, 1440" --overwrite data/*_1min_*.txt
  velmora-convert --settings ~/velmora.ini --time-zone 7 --label end EURUSD_1min_2009.txt
  velmora-convert -t 1440 --drop-time --date-separator - --extension .csv EURUSD_1min_2009.txt
  velmora-convert --format hst -t "60, 1440" EURUSD_1min_2009.txt
  velmora-convert HISTDATA_COM_ASCII_EURUSD_M1202201.zip EURUSD_2021.csv.gz
  velmora-convert --linkage --tool-dir ~/Quenbry --overwrite
)";
}

} // namespace velmora::cli
