#include "engine/output/BarFormats.h"

#include "engine/output/HstFile.h"
#include "input/CivilDays.h"
#include "input/LastRecord.h"
#include "input/SourceRecord.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <fstream>
#include <vector>

namespace velmora {

namespace {

constexpr std::string_view Copyright = "Velmora";
constexpr std::int64_t SecondsPerDay = 86400;
/// Days from 1899-12-30, the labels' epoch, to 1970-01-01.
constexpr std::int64_t UnixEpochDays = 25569;

/// One bar line taken apart: the date and time as digits only, the prices and volume as written.
struct BarText
{
    std::array<char, 8> date{}; ///< yyyyMMdd
    std::array<char, 6> time{}; ///< HHmmss
    std::string_view open, high, low, close, volume;
};

/// The digits of a field into the array, as many as it holds; false when there are fewer.
template <std::size_t N> bool takeDigits(std::string_view field, std::array<char, N>& digits)
{
    std::size_t taken = 0;
    for (const char c : field) {
        if (c >= '0' && c <= '9' && taken < N) {
            digits[taken++] = c;
        }
    }
    return taken == N;
}

std::vector<std::string_view> splitFields(std::string_view line, char separator)
{
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t at = line.find(separator); at != std::string_view::npos; at = line.find(separator, start)) {
        fields.push_back(line.substr(start, at - start));
        start = at + 1;
    }
    fields.push_back(line.substr(start));
    return fields;
}

std::optional<BarText> parseBarLine(std::string_view line)
{
    // In place, without a list of fields: the writers run over every bar of a job.
    std::array<std::string_view, 7> fields{};
    std::size_t count = 0;
    std::size_t start = 0;
    while (count < fields.size()) {
        const auto at = line.find(',', start);
        fields[count++] = line.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
        if (at == std::string_view::npos) {
            break;
        }
        start = at + 1;
    }
    BarText bar;
    if (count < 6 || !takeDigits(fields[0], bar.date) || !takeDigits(fields[1], bar.time)) {
        return std::nullopt;
    }
    bar.open = fields[2];
    bar.high = fields[3];
    bar.low = fields[4];
    bar.close = fields[5];
    bar.volume = count > 6 ? fields[6] : std::string_view("0");
    return bar;
}

/// Calls each with every bar line of the text, CR LF or LF ended.
template <typename Each> void forEachBar(std::string_view lines, Each each)
{
    while (!lines.empty()) {
        const auto end = lines.find('\n');
        std::string_view line = lines.substr(0, end);
        lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (const auto bar = parseBarLine(line)) {
            each(*bar);
        }
    }
}

int number(std::string_view digits)
{
    int value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

std::int64_t unixSeconds(const std::array<char, 8>& date, const std::array<char, 6>& time)
{
    const std::string_view d(date.data(), date.size());
    const std::string_view t(time.data(), time.size());
    // The texts were written by this program: a date that is not one reads as the first day.
    const std::int64_t days =
        daysFromCivil(number(d.substr(0, 4)), number(d.substr(4, 2)), number(d.substr(6, 2))).value_or(UnixEpochDay) -
        UnixEpochDay;
    const std::int64_t seconds = std::int64_t{number(t.substr(0, 2))} * 3600 +
                                 std::int64_t{number(t.substr(2, 2))} * 60 + number(t.substr(4, 2));
    return days * SecondsPerDay + seconds;
}

double priceOf(std::string_view text)
{
    double value = 0.0;
    if (!readPlainDecimal(text, value)) {
        std::from_chars(text.data(), text.data() + text.size(), value);
    }
    return value;
}

std::int64_t wholeVolume(std::string_view text)
{
    return std::llround(priceOf(text));
}

std::int32_t decimalsOf(std::string_view price)
{
    const auto dot = price.find('.');
    return dot == std::string_view::npos ? 0 : static_cast<std::int32_t>(price.size() - dot - 1);
}

void appendDigits(std::string& out, const char* digits, std::size_t count)
{
    out.append(digits, count);
}

/// "yyyy" sep "MM" sep "dd".
void appendDate(std::string& out, const std::array<char, 8>& date, char separator)
{
    appendDigits(out, date.data(), 4);
    out += separator;
    appendDigits(out, date.data() + 4, 2);
    out += separator;
    appendDigits(out, date.data() + 6, 2);
}

/// "HH:mm:ss".
void appendTime(std::string& out, const std::array<char, 6>& time)
{
    appendDigits(out, time.data(), 2);
    out += ':';
    appendDigits(out, time.data() + 2, 2);
    out += ':';
    appendDigits(out, time.data() + 4, 2);
}

void appendPrices(std::string& out, const BarText& bar, char separator)
{
    for (const std::string_view price : {bar.open, bar.high, bar.low, bar.close}) {
        out += separator;
        out += price;
    }
}

void appendWholeVolume(std::string& out, std::string_view volume)
{
    // Sums of whole volumes, and line counts, are written without decimals: they are copied as they stand.
    if (volume.find('.') == std::string_view::npos) {
        out += volume;
        return;
    }
    std::array<char, 24> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), wholeVolume(volume));
    out.append(text.data(), written.ptr);
}

void appendMt5(std::string& out, const BarText& bar)
{
    appendDate(out, bar.date, '.');
    out += '\t';
    appendTime(out, bar.time);
    appendPrices(out, bar, '\t');
    out += '\t';
    appendWholeVolume(out, bar.volume);
    out += "\t0\t0\r\n";
}

void appendNinjaTrader(std::string& out, const BarText& bar, bool daily)
{
    appendDigits(out, bar.date.data(), bar.date.size());
    if (!daily) {
        out += ' ';
        appendDigits(out, bar.time.data(), bar.time.size());
    }
    appendPrices(out, bar, ';');
    out += ';';
    appendWholeVolume(out, bar.volume);
    out += "\r\n";
}

void appendForexTester(std::string& out, const BarText& bar, std::string_view symbol)
{
    out += symbol;
    out += ',';
    appendDigits(out, bar.date.data(), bar.date.size());
    out += ',';
    appendDigits(out, bar.time.data(), 4);
    appendPrices(out, bar, ',');
    out += ',';
    appendWholeVolume(out, bar.volume);
    out += "\r\n";
}

void appendCsv(std::string& out, const BarText& bar, bool withVolume)
{
    appendDate(out, bar.date, '-');
    out += ',';
    appendTime(out, bar.time);
    appendPrices(out, bar, ',');
    if (withVolume) {
        out += ',';
        out += bar.volume;
    }
    out += "\r\n";
}

hst::Header hstHeader(const FormatJob& job, std::int32_t digits)
{
    return {hst::Version, std::string(Copyright), job.symbol, job.period, digits, job.timeSign};
}

/// One record from a bar's texts; most takes the most decimals among its prices.
void appendHstBar(std::string& out, std::int64_t seconds, const std::array<std::string_view, 4>& prices,
                  std::int64_t tickVolume, std::int32_t& most)
{
    for (const auto price : prices) {
        most = std::max(most, decimalsOf(price));
    }
    hst::appendRecord(out, {seconds, priceOf(prices[0]), priceOf(prices[1]), priceOf(prices[2]), priceOf(prices[3]),
                            tickVolume, 0, 0});
}

std::string writeHst(std::string_view lines, const FormatJob& job)
{
    std::string out;
    out.reserve(hst::HeaderBytes + lines.size() * 2);
    hst::appendHeader(out, hstHeader(job, job.digits));
    std::int32_t most = 0;
    forEachBar(lines, [&out, &most](const BarText& bar) {
        appendHstBar(out, unixSeconds(bar.date, bar.time), {bar.open, bar.high, bar.low, bar.close},
                     wholeVolume(bar.volume), most);
    });
    if (job.digits < 0) {
        // The digits are known once every price has been seen: the header is written again with them.
        std::string first;
        hst::appendHeader(first, hstHeader(job, std::min(most, MaxDigits)));
        out.replace(0, first.size(), first);
    }
    return out;
}

/// The line a text format starts with, if any.
std::string_view textHeader(const FormatJob& job)
{
    switch (job.format) {
    case OutputFormat::Mt5:
        return "<DATE>\t<TIME>\t<OPEN>\t<HIGH>\t<LOW>\t<CLOSE>\t<TICKVOL>\t<VOL>\t<SPREAD>\r\n";
    case OutputFormat::ForexTester:
        return "<TICKER>,<DTYYYYMMDD>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>\r\n";
    case OutputFormat::Csv:
        return job.withVolume ? "date,time,open,high,low,close,volume\r\n" : "date,time,open,high,low,close\r\n";
    case OutputFormat::NinjaTrader:
    case OutputFormat::Text:
    case OutputFormat::Hst:
        break;
    }
    return {};
}

/// One bar of a text format.
void appendTextBar(std::string& out, const BarText& bar, const FormatJob& job)
{
    switch (job.format) {
    case OutputFormat::Mt5:
        appendMt5(out, bar);
        break;
    case OutputFormat::NinjaTrader:
        appendNinjaTrader(out, bar, job.daily);
        break;
    case OutputFormat::ForexTester:
        appendForexTester(out, bar, job.symbol);
        break;
    case OutputFormat::Csv:
        appendCsv(out, bar, job.withVolume);
        break;
    case OutputFormat::Text:
    case OutputFormat::Hst:
        break;
    }
}

std::string writeText(std::string_view lines, const FormatJob& job)
{
    if (job.format == OutputFormat::Text) {
        return std::string(lines);
    }
    std::string out;
    out.reserve(lines.size() + lines.size() / 4);
    out += textHeader(job);
    forEachBar(lines, [&out, &job](const BarText& bar) { appendTextBar(out, bar, job); });
    return out;
}

/// The date and time fields of a last line of a text format, as the format writes them.
std::optional<std::pair<std::string_view, std::string_view>> stampFields(std::string_view line, OutputFormat format)
{
    switch (format) {
    case OutputFormat::Mt5: {
        const auto fields = splitFields(line, '\t');
        return fields.size() > 1 ? std::optional(std::pair(fields[0], fields[1])) : std::nullopt;
    }
    case OutputFormat::NinjaTrader: {
        const auto stamp = splitFields(line, ';')[0];
        const auto blank = std::min(stamp.find(' '), stamp.size());
        return std::pair(stamp.substr(0, blank), stamp.substr(blank));
    }
    case OutputFormat::ForexTester: {
        const auto fields = splitFields(line, ',');
        return fields.size() > 2 ? std::optional(std::pair(fields[1], fields[2])) : std::nullopt;
    }
    case OutputFormat::Csv:
    case OutputFormat::Text:
    case OutputFormat::Hst:
        break;
    }
    const auto fields = splitFields(line, ',');
    return fields.size() > 1 ? std::optional(std::pair(fields[0], fields[1])) : std::nullopt;
}

std::optional<double> lastTextLabel(const std::filesystem::path& file, OutputFormat format)
{
    const std::string line = LastLine(file);
    const auto stamp = stampFields(line, format);
    std::array<char, 8> date{};
    std::array<char, 6> time{'0', '0', '0', '0', '0', '0'};
    if (!stamp || !takeDigits(stamp->first, date)) {
        return std::nullopt;
    }
    std::size_t taken = 0;
    for (const char c : stamp->second) {
        if (c >= '0' && c <= '9' && taken < time.size()) {
            time[taken++] = c;
        }
    }
    if (stamp->first.find_first_not_of("0123456789.-/ ") != std::string_view::npos) {
        return std::nullopt;
    }
    return static_cast<double>(unixSeconds(date, time)) / SecondsPerDay + UnixEpochDays;
}

std::optional<double> lastHstLabel(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary | std::ios::ate);
    const auto size = static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0));
    if (!in || size < hst::HeaderBytes + hst::RecordBytes) {
        return std::nullopt;
    }
    std::string bytes(hst::HeaderBytes + hst::RecordBytes, '\0');
    in.seekg(0);
    in.read(bytes.data(), hst::HeaderBytes);
    const std::size_t last = (size - hst::HeaderBytes) / hst::RecordBytes - 1;
    in.seekg(static_cast<std::streamoff>(hst::HeaderBytes + last * hst::RecordBytes));
    in.read(bytes.data() + hst::HeaderBytes, hst::RecordBytes);
    if (!in || !hst::readHeader(bytes)) {
        return std::nullopt;
    }
    return static_cast<double>(hst::readRecord(bytes, 0).time) / SecondsPerDay + UnixEpochDays;
}

} // namespace

std::string writeInFormat(std::string_view barLines, const FormatJob& job)
{
    if (job.format == OutputFormat::Hst) {
        return writeHst(barLines, job);
    }
    return writeText(barLines, job);
}

FormatWriter::FormatWriter(FormatJob job) : m_job(std::move(job)), m_usual('/', "hh:nn:ss", false) {}

void FormatWriter::append(std::string& out, const ClosedBar& bar)
{
    if (m_job.format == OutputFormat::Hst) {
        appendHst(out, bar);
        return;
    }
    if (!m_started) {
        out += textHeader(m_job);
        m_started = true;
    }
    // The bar's usual line, taken apart again: the formats write exactly what the usual file would, each
    // in its own layout.
    m_line.clear();
    m_usual.append(m_line, bar.label, bar.daily, bar.open, bar.high, bar.low, bar.close, *bar.prices);
    VolumeRoom room;
    BarLine::appendField(m_line, volumeText(bar, room));
    if (const auto text = parseBarLine(std::string_view(m_line).substr(0, m_line.size() - 2))) {
        appendTextBar(out, *text, m_job);
    }
}

void FormatWriter::appendHst(std::string& out, const ClosedBar& bar)
{
    if (!m_started) {
        hst::appendHeader(out, hstHeader(m_job, m_job.digits));
        m_started = true;
    }
    std::int64_t tickVolume = 0;
    if (bar.lineCount > 0) {
        // A sum of whole volumes is whole; a sum of fractions is rounded from the text the usual line writes.
        VolumeRoom room;
        tickVolume = bar.volumeDecimals == 0 ? std::llround(bar.volume) : wholeVolume(volumeText(bar, room));
    }
    // Open and close are the source's own texts; high and low are what the usual line writes for them, with
    // the price format's decimals.
    m_most = std::max({m_most, decimalsOf(bar.open), decimalsOf(bar.close), bar.prices->decimals()});
    hst::appendRecord(out, {labelUnixSeconds(bar.label), priceOf(bar.open), bar.prices->written(bar.high),
                            bar.prices->written(bar.low), priceOf(bar.close), tickVolume, 0, 0});
}

std::string FormatWriter::front() const
{
    std::string header;
    if (m_started && m_job.format == OutputFormat::Hst && m_job.digits < 0) {
        hst::appendHeader(header, hstHeader(m_job, std::min(m_most, MaxDigits)));
    }
    return header;
}

FormatJob formatJobFor(const OutputChoice& choice, std::string_view fileName, std::string_view linkageFolder,
                       const TimeframeEntry& entry, bool withVolume)
{
    std::string symbol = choice.symbol;
    if (symbol.empty()) {
        symbol = linkageFolder.empty() ? symbolFromFileName(fileName) : std::string(linkageFolder);
    }
    symbol.resize(std::min(symbol.size(), MaxSymbolBytes));
    return {choice.format,
            std::move(symbol),
            choice.digits,
            hstPeriod(entry),
            entry.isDaily() && !entry.isSequence(),
            withVolume,
            0};
}

void prepareForFormat(ConversionSettings& settings)
{
    if (settings.output.format == OutputFormat::Text) {
        return;
    }
    settings.timeFormat = "hh:nn:ss";
    settings.dropTimeInDaily = false;
    settings.appendVolume = true;
}

std::string symbolFromFileName(std::string_view fileName)
{
    const std::string_view stem = fileName.substr(0, std::min(fileName.rfind('.'), fileName.size()));
    std::string_view symbol = stem.substr(0, std::min(stem.find_first_of("_0123456789"), stem.size()));
    while (!symbol.empty() && (symbol.back() == ' ' || symbol.back() == '-')) {
        symbol.remove_suffix(1);
    }
    if (symbol.empty()) {
        symbol = stem;
    }
    return std::string(symbol.substr(0, MaxSymbolBytes));
}

std::int32_t hstPeriod(const TimeframeEntry& entry)
{
    switch (entry.calendar()) {
    case CalendarBars::Weeks:
        return 10080;
    case CalendarBars::Months:
        return 43200;
    case CalendarBars::None:
        break;
    }
    if (entry.isSequence()) {
        for (const WidthRun& run : entry.runs()) {
            if (run.width > 0) {
                return run.width;
            }
        }
    }
    return entry.isDaily() ? 1440 : entry.currentWidth();
}

std::string formatFileName(const FormatJob& job, std::string_view textName)
{
    if (job.format != OutputFormat::Hst) {
        return std::string(textName);
    }
    return job.symbol + std::to_string(job.period) + ".hst";
}

std::optional<double> lastBarLabel(const std::filesystem::path& file, OutputFormat format)
{
    return format == OutputFormat::Hst ? lastHstLabel(file) : lastTextLabel(file, format);
}

} // namespace velmora
