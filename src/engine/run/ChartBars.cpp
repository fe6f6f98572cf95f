#include "engine/run/ChartBars.h"

#include "engine/bars/BarBuilder.h"
#include "engine/host/NullRunHost.h"
#include "engine/output/HstFile.h"
#include "engine/run/ArchiveSources.h"
#include "engine/run/SourceCache.h"
#include "engine/walk/SourceWalk.h"
#include "input/DateTimeText.h"
#include "input/SourceLines.h"
#include "platform/Numbers.h"
#include "platform/Text.h"

#include <charconv>

namespace velmora {

namespace {

std::optional<double> priceOf(std::string_view text)
{
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

/// A date as year, month and day, whatever one byte separates them, or eight digits yyyymmdd.
std::optional<std::int64_t> dayOf(std::string_view text)
{
    int parts[3] = {0, 0, 0};
    if (text.size() == 8 && text.find_first_not_of("0123456789") == std::string_view::npos) {
        parts[0] = std::stoi(std::string(text.substr(0, 4)));
        parts[1] = std::stoi(std::string(text.substr(4, 2)));
        parts[2] = std::stoi(std::string(text.substr(6, 2)));
    } else {
        int part = 0;
        bool digit = false;
        for (const char c : text) {
            if (c >= '0' && c <= '9') {
                parts[part] = parts[part] * 10 + (c - '0');
                digit = true;
            } else if (!digit || ++part > 2) {
                return std::nullopt;
            } else {
                digit = false;
            }
            if (parts[part] > 9999) {
                return std::nullopt;
            }
        }
        if (part != 2 || !digit) {
            return std::nullopt;
        }
    }
    const auto day = daysFromCivil(parts[0], parts[1], parts[2]);
    return day ? std::optional<std::int64_t>(*day) : std::nullopt;
}

} // namespace

namespace {

/// The bar of one line of a bar file (its line end taken off), or std::nullopt for a line that is not one.
std::optional<ChartBar> barOfLine(std::string_view line, std::vector<std::string_view>& fields)
{
    fields.clear();
    for (std::size_t from = 0;;) {
        const auto comma = line.find(',', from);
        fields.push_back(line.substr(from, comma - from));
        if (comma == std::string_view::npos) {
            break;
        }
        from = comma + 1;
    }
    if (fields.size() < 5) {
        return std::nullopt;
    }
    const auto day = dayOf(fields[0]);
    std::size_t price = 1;
    std::int64_t minute = 0;
    if (fields[1].find(':') != std::string_view::npos) {
        const auto ms = parseTimeOfDayMs(fields[1]);
        if (!ms || fields.size() < 6) {
            return std::nullopt;
        }
        minute = *ms / 60000;
        price = 2;
    }
    const auto open = priceOf(fields[price]);
    const auto high = priceOf(fields[price + 1]);
    const auto low = priceOf(fields[price + 2]);
    const auto close = priceOf(fields[price + 3]);
    if (!day || !open || !high || !low || !close) {
        return std::nullopt;
    }
    return ChartBar{*day * 1440 + minute, *open, *high, *low, *close, false};
}

/// Appends the bar unless it is earlier than the one before, marking it a fill bar where it is one.
void appendInOrder(std::vector<ChartBar>& bars, ChartBar bar)
{
    if (!bars.empty()) {
        const ChartBar& before = bars.back();
        if (bar.minute <= before.minute) {
            return;
        }
        bar.fill = bar.open == before.close && bar.high == before.close && bar.low == before.close &&
                   bar.close == before.close;
    }
    bars.push_back(bar);
}

} // namespace

std::vector<ChartBar> readChartBars(std::string_view text)
{
    std::vector<ChartBar> bars;
    std::vector<std::string_view> fields;
    while (!text.empty()) {
        const auto lineEnd = text.find('\n');
        std::string_view line = text.substr(0, lineEnd);
        text = lineEnd == std::string_view::npos ? std::string_view() : text.substr(lineEnd + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        std::optional<ChartBar> bar = barOfLine(line, fields);
        if (!bar) {
            continue;
        }
        appendInOrder(bars, *bar);
    }
    return bars;
}

std::vector<ChartBar> readChartFile(const std::filesystem::path& file, std::string_view bytes)
{
    if (!hst::isHstName(pathText(file.filename())) || !hst::readHeader(bytes)) {
        return readChartBars(bytes);
    }
    // Seconds since 1970 of the labels' clock, as minutes since 1899-12-30.
    constexpr std::int64_t EpochMinutes = 25569LL * 1440;
    std::vector<ChartBar> bars;
    for (std::size_t i = 0; i < hst::recordCount(bytes); ++i) {
        const hst::Record record = hst::readRecord(bytes, i);
        appendInOrder(bars, {record.time / 60 + EpochMinutes, record.open, record.high, record.low, record.close});
    }
    return bars;
}

std::string convertInMemory(const std::filesystem::path& source, const ConversionSettings& settings,
                            const std::string& entryText)
{
    NullRunHost host;
    DateSeparators separators{'\0', settings.outputDateSeparator};
    DateTextContext dates{separators, host, 2000};
    BuildEnvironment env{host, dates, [](std::size_t) {}};
    BarKind kind = BarKind::Minutes;
    TimeframeEntry entry = TimeframeEntry::ResolveEntry(entryText, kind);
    const MarketWindow window = BarBuilder::PrepareEntry(settings, entry);
    const BarBuilder builder(settings, nullptr, host);
    // The file read as a run reads it: in the layout chosen, or the one its first lines show.
    SourceCache sources;
    sources.setReading({settings.sourceLayout, settings.dateField, dates.currentYear, {}});
    // An archive shows its first file, as the layout dialog's preview does.
    const ArchiveSources archive({pathText(source)});
    const ArchiveMember* member = archive.member(0);
    const SourceLines& lines =
        member != nullptr ? sources.load(archive.files().front(), *member) : sources.load(pathText(source));
    std::string output;
    WalkJob job{{entry, window, env, output}};
    WalkJob* const jobs[] = {&job};
    walkJobs(builder, ReadAheadOptions::forThisMachine(), lines, pathText(source.filename()), jobs);
    return output;
}

std::vector<ChartBar> convertForChart(const std::filesystem::path& source, ConversionSettings settings,
                                      const std::string& entryText)
{
    // One layout the reader above takes, whatever the user writes to files.
    settings.outputDateSeparator = '/';
    settings.timeFormat = "hh:nn";
    settings.timeZoneShiftDays = 0.0;
    settings.dropTimeInDaily = false;
    return readChartBars(convertInMemory(source, settings, entryText));
}

} // namespace velmora
