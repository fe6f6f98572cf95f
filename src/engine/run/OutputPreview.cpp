#include "engine/run/OutputPreview.h"

#include "engine/bars/TimeframeEntry.h"
#include "engine/output/BarFormats.h"
#include "engine/output/HstFile.h"
#include "engine/run/ChartBars.h"
#include "engine/settings/RunBoxes.h"
#include "input/CivilDays.h"
#include "platform/Text.h"

#include <array>
#include <charconv>
#include <cstdio> // snprintf

namespace velmora {

namespace {

std::string priceText(double price, std::int32_t digits)
{
    std::array<char, 64> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), price, std::chars_format::fixed, digits);
    return {text.data(), written.ptr};
}

/// A record as MT4's history centre lists it: date, time, the four prices with the header's digits, volume.
std::string recordText(const hst::Record& record, std::int32_t digits)
{
    constexpr std::int64_t SecondsPerDay = 86400;
    const std::int64_t days = floorDiv(record.time, SecondsPerDay);
    const auto second = static_cast<int>(record.time - days * SecondsPerDay);
    const CivilDate date = civilFromDays(days + UnixEpochDay);
    std::array<char, 80> stamp{}; // room for any int, so that no text is cut
    std::snprintf(stamp.data(), stamp.size(), "%04d.%02d.%02d %02d:%02d:%02d", date.year, date.month, date.day,
                  second / 3600, second / 60 % 60, second % 60);
    return std::string(stamp.data()) + "  " + priceText(record.open, digits) + "  " + priceText(record.high, digits) +
           "  " + priceText(record.low, digits) + "  " + priceText(record.close, digits) + "  " +
           std::to_string(record.tickVolume);
}

std::vector<std::string> hstPreview(std::string_view bytes, std::size_t rows)
{
    const auto header = hst::readHeader(bytes);
    if (!header) {
        return {};
    }
    std::vector<std::string> lines{"version " + std::to_string(header->version) + ", " + header->symbol + ", " +
                                   std::to_string(header->period) + " min, digits " + std::to_string(header->digits)};
    const std::size_t count = hst::recordCount(bytes);
    for (std::size_t i = 0; i < count && lines.size() < rows; ++i) {
        lines.push_back(recordText(hst::readRecord(bytes, i), header->digits));
    }
    return lines;
}

std::vector<std::string> textPreview(std::string_view text, std::size_t rows)
{
    std::vector<std::string> lines;
    while (!text.empty() && lines.size() < rows) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
    }
    return lines;
}

} // namespace

std::vector<std::string> previewOutput(const std::filesystem::path& source, ConversionSettings settings,
                                       std::size_t rows)
{
    const std::vector<std::string> entries = splitTimeframeList(settings.timeframes);
    if (entries.empty()) {
        return {};
    }
    const bool withVolume = settings.appendVolume;
    prepareForFormat(settings);
    const std::string lines = convertInMemory(source, settings, entries.front());
    if (settings.output.format == OutputFormat::Text) {
        return textPreview(lines, rows);
    }
    BarKind kind = BarKind::Minutes;
    const TimeframeEntry entry = TimeframeEntry::ResolveEntry(entries.front(), kind);
    const FormatJob job = formatJobFor(settings.output, pathText(source.filename()), {}, entry, withVolume);
    const std::string bytes = writeInFormat(lines, job);
    return job.format == OutputFormat::Hst ? hstPreview(bytes, rows) : textPreview(bytes, rows);
}

} // namespace velmora
