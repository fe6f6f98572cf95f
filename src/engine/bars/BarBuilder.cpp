#include "engine/bars/BarBuilder.h"

#include "engine/bars/BarBuilderWalk.h"
#include "engine/run/LayoutHints.h"
#include "engine/settings/RunBoxes.h"
#include "input/CivilDays.h"
#include "platform/RunError.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <vector>

namespace velmora {

namespace {

constexpr std::uint32_t HookOdds = 3000;

// Empty buckets get fill bars for at most a year after the last line: a hole that long is missing data, not a
// quiet market or a suspension, and filling it would write a flat bar for every bucket of the hole, billions
// for a year typed wrong with 1-minute bars.
constexpr std::int64_t MaxFillMinutes = std::int64_t{366} * 1440;

// The dates a bar line can carry: 0001/01/01 to 9999/12/31, as days since 1899-12-30.
constexpr double FirstLabelDay = -693'593.0;
constexpr double EndLabelDay = 2'958'466.0;

// A skipped line is logged up to this many bytes: a line of hundreds of megabytes is no use in the log.
constexpr std::size_t MaxLoggedLine = 256;

std::string labelOutOfRangeMessage()
{
    return "時差または夏時間のずれによって、足の日時が 0001/01/01 から 9999/12/31 の範囲を外れます。\r"
           "時差と夏時間の設定を見直してください";
}

/// Passes messages on and counts them.
class MessageCounter : public MessageSink
{
public:
    explicit MessageCounter(MessageSink& target) : m_target(target) {}
    void showMessage(std::string_view text) override
    {
        ++count;
        m_target.showMessage(text);
    }
    int count = 0;

private:
    MessageSink& m_target;
};

} // namespace

DateTimeValue stampToDateTime(std::int64_t stamp)
{
    // Whole days, then the fraction of the day: the day count is exact, so the sum rounds once.
    return static_cast<double>(stamp / 1440) + // NOLINT(bugprone-integer-division)
           static_cast<double>(stamp % 1440) / 1440.0;
}

std::string skippedLineEntry(std::string_view line, std::string_view reason)
{
    const bool cut = line.size() > MaxLoggedLine;
    if (cut) {
        std::size_t length = MaxLoggedLine;
        // Never end inside a UTF-8 character.
        while (length > 0 && (static_cast<unsigned char>(line[length]) & 0xC0U) == 0x80U) {
            --length;
        }
        line = line.substr(0, length);
    }
    std::string entry;
    entry.reserve(line.size() + 5 + reason.size());
    entry.append(line);
    if (cut) {
        entry.append("...");
    }
    entry.append("\r\n");
    entry.append(reason);
    return entry;
}

std::uint32_t jobSeed(std::uint32_t runSeed, std::uint64_t job)
{
    // splitmix64 of the two: neighbouring jobs get unrelated seeds.
    std::uint64_t z = (std::uint64_t{runSeed} << 32U) ^ job;
    z += 0x9E3779B97F4A7C15U;
    z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9U;
    z = (z ^ (z >> 27U)) * 0x94D049BB133111EBU;
    z ^= z >> 31U;
    return static_cast<std::uint32_t>(z);
}

BarBuilder::BarBuilder(const ConversionSettings& settings, const SummerShiftTable* summer, MessageSink& messages)
    : m_settings(settings), m_summer(summer), m_cutMinutes(cutMinutesFromBox(settings.cutTime, messages))
{
}

MarketWindow BarBuilder::PrepareEntry(const ConversionSettings& settings, const TimeframeEntry& entry)
{
    MarketWindow window;
    window.enabled = settings.marketWindow;
    window.openDay = settings.marketOpenDay;
    window.closeDay = settings.marketCloseDay;
    int openMinutes = marketMinutesFromBox(settings.marketOpenTime);
    int closeMinutes = marketMinutesFromBox(settings.marketCloseTime);
    const bool byEnd = settings.labelling == BarLabelling::ByEnd;
    if (byEnd && entry.isDaily()) {
        // A daily bar labelled by its end carries the next day's date.
        window.openDay = window.openDay % 7 + 1;
        window.closeDay = window.closeDay % 7 + 1;
    } else if (byEnd) {
        // An N-minute bar labelled by its end: the window's edges move by one bar, wrapping past midnight
        // without changing the weekdays.
        const int width = entry.currentWidth() % 1440;
        openMinutes = (openMinutes + width) % 1440;
        closeMinutes = (closeMinutes + width) % 1440;
    }
    window.openHhmm = hhmmOf(openMinutes);
    window.closeHhmm = hhmmOf(closeMinutes);
    return window;
}

BarBuilder::Walk::Walk(const BarBuilder& builder, const SourceLines& lines, BarJob& job, bool countsFileLines)
    : m_settings(builder.m_settings), m_summer(builder.m_summer), m_cutMinutes(builder.m_cutMinutes),
      m_random(job.seed == 0 ? 0x9E3779B9U : job.seed), m_lines(lines), m_job(job), m_env(job.env),
      m_messages(job.env.dates.messages), m_dates{job.env.dates.separators, m_messages, job.env.dates.currentYear},
      m_entry(job.entry),
      m_lineWriter(job.env.dates.separators.output, builder.m_settings.timeFormat, builder.m_settings.dropTimeInDaily),
      m_record(builder.m_settings.dateField), m_clocks(builder.m_settings.clocks),
      m_convertsLines(m_clocks.convertsLines()), m_usesClocks(m_convertsLines || m_clocks.convertsLabels()),
      m_countsFileLines(countsFileLines)
{
    if (m_entry.calendar() != CalendarBars::None) {
        const MarketWindow& window = job.window;
        m_grid.emplace(m_entry.calendar(), m_cutMinutes, window.enabled, window.openDay,
                       window.openHhmm / 100 * 60 + window.openHhmm % 100);
    }
    m_lineExtras =
        (m_settings.appendVolume ? ReadVolume : 0U) | (m_convertsLines ? ReadExtras : 0U) | (m_grid ? TakeExtras : 0U);
}

bool BarBuilder::Walk::randomHookDue()
{
    // xorshift32: a few instructions per iteration, enough for choosing when to look at the window.
    m_random ^= m_random << 13;
    m_random ^= m_random >> 17;
    m_random ^= m_random << 5;
    return m_random % HookOdds == 0;
}

void BarBuilder::Walk::split(std::string_view line)
{
    if (m_cursor.line != m_splitLine) {
        m_record.split(line);
        m_splitLine = m_cursor.line;
    }
}

bool BarBuilder::Walk::isUsable(std::string_view line)
{
    split(line);
    if (!m_record.complete()) {
        return false;
    }
    return parseDecimal(m_record.open()) && parseDecimal(m_record.high()) && parseDecimal(m_record.low()) &&
           parseDecimal(m_record.close()) && parseTimeOfDayMs(m_record.time());
}

void BarBuilder::Walk::skipLine(std::string_view line, std::string_view reason)
{
    m_env.host.appendLog(skippedLineEntry(line, reason));
    m_env.host.processEvents();
    m_env.host.yieldProcessor();
}

std::optional<std::int64_t> BarBuilder::Walk::stampOf(std::string_view line)
{
    split(line);
    const std::string_view dateText = m_record.date();
    const std::string_view timeText = m_record.time();
    // Consecutive lines mostly share their date, so its day is read once.
    if (!m_memo.held || dateText != m_memo.text) {
        const auto day = ReadDateText(dateText, m_dates);
        if (!day) {
            return std::nullopt;
        }
        m_memo.text.assign(dateText);
        m_memo.day = *day;
        m_memo.held = true;
    }
    const auto minute = TimeStrToInt(timeText, m_dates.messages);
    if (!minute) {
        return std::nullopt;
    }
    // Minute stamps are 32 bits (the year 5983 at the latest): a line beyond them is unreadable, as the
    // summer table and the up-to-date test could not place it.
    const std::int64_t stamp = m_memo.day * 1440 + *minute;
    if (stamp < INT32_MIN || stamp > INT32_MAX) {
        return std::nullopt;
    }
    return stamp;
}

void BarBuilder::Walk::closeBucket()
{
    const Bucket& bucket = m_bucket;
    std::string_view open = bucket.open.text;
    std::string_view close = bucket.close.text;
    double high = bucket.high;
    double low = bucket.low;
    if (bucket.lineCount == 0) {
        if (!m_settings.fillGaps || m_fill.text.empty() || bucket.start >= m_fillUntil) {
            return;
        }
        open = m_fill.text;
        close = m_fill.text;
        high = StrToFloat(m_fill.text);
        low = high;
    }
    if (m_entry.currentIsGap()) {
        return;
    }
    const std::optional<std::int64_t> label = labelOf(bucket);
    if (!label) {
        return;
    }
    const DateTimeValue value = stampToDateTime(*label) + m_settings.timeZoneShiftDays;
    if (!(value >= FirstLabelDay && value < EndLabelDay)) {
        throw RunError(labelOutOfRangeMessage());
    }
    if (bucket.lineCount == 0 && m_gaps != nullptr) {
        m_gaps->fillBar(bucket.start);
    }
    m_env.host.yieldProcessor();
    std::string& output = m_job.output;
    if (m_job.writer != nullptr) {
        m_job.writer->append(output, {value, m_daily, open, high, low, close, &m_prices, bucket.volume,
                                      bucket.volumeDecimals, bucket.lineCount});
    } else {
        m_lineWriter.append(output, value, m_daily, open, high, low, close, m_prices);
        if (m_settings.appendVolume) {
            appendVolume(output);
        }
    }
    if (output.size() >= SpillBytes && m_env.spill) {
        m_env.spill();
    }
}

std::optional<std::int64_t> BarBuilder::Walk::labelOf(const Bucket& bucket)
{
    std::int64_t label = m_settings.labelling == BarLabelling::ByEnd ? bucket.end : bucket.start;
    if (m_usesClocks) {
        // The window is given in the market clock, so it is tested there; a fill bar in an hour the market
        // clock skips would carry a time no clock shows.
        if (!m_grid && !m_job.window.containsStamp(label)) {
            ++m_job.barsOutsideWindow;
            return std::nullopt;
        }
        if (bucket.lineCount == 0 && m_clocks.marketMinuteMissing(bucket.start)) {
            return std::nullopt;
        }
        if (m_clocks.convertsLabels()) {
            label = m_clocks.toLabel(label);
        }
    }
    if (m_summer != nullptr && label >= INT32_MIN && label <= INT32_MAX) {
        label += m_summer->ShiftAt(static_cast<MinuteStamp>(label));
    }
    // Weeks and months took only the lines of written days; their labels may fall on any day.
    if (!m_usesClocks && !m_grid && !m_job.window.containsStamp(label)) {
        ++m_job.barsOutsideWindow;
        return std::nullopt;
    }
    return label;
}

std::size_t BarBuilder::Walk::findFirstStamp(std::optional<std::int64_t>& stamp, bool& detected)
{
    // Skipped lines past the first few wait here until a line reads, so that a file in another layout than the
    // one it is read in is not logged line by line to its end; once one reads, the log is what it always was.
    std::vector<std::string> held;
    const bool mayGiveUp = m_env.givesUpUnreadable && m_lines.size() > UnreadableAfterLines;
    std::size_t p = 0;
    for (; p < m_lines.size() && !(mayGiveUp && p == UnreadableAfterLines); ++p) {
        const std::string_view line = lineAt(p);
        if (isUsable(line)) {
            if (!detected) {
                // Detection sets the separator unless it shows its message.
                MessageCounter counter(m_dates.messages);
                DateTextContext dates{m_dates.separators, counter, m_dates.currentYear};
                DetectDateSeparator(m_record.date(), dates);
                m_job.readsStartSeparator = counter.count > 0;
                detected = true;
            } else {
                DetectDateSeparator(m_record.date(), m_dates);
            }
            stamp = stampOf(line);
            if (stamp) {
                break;
            }
        }
        // A line whose date or time does not read cannot anchor the grid either.
        if (p < ShownSkips || !mayGiveUp) {
            skipLine(line, NotInFormat);
        } else {
            held.push_back(skippedLineEntry(line, NotInFormat));
            m_env.host.processEvents();
            m_env.host.yieldProcessor();
        }
    }
    if (stamp || p == m_lines.size()) {
        for (const std::string& entry : held) {
            m_env.host.appendLog(entry);
        }
    }
    return p;
}

bool BarBuilder::Walk::start(std::string_view fileName, PriceMemo& prices)
{
    std::optional<std::int64_t> stamp;
    bool detected = false;
    const std::size_t p = findFirstStamp(stamp, detected);
    if (!stamp) {
        if (!detected) {
            m_job.readsStartSeparator = false;
        }
        if (p < m_lines.size()) {
            m_env.host.appendLog(unreadableSourceEntry(fileName, m_lines.size(), m_env.frontEnd));
        } else {
            m_env.host.appendLog(std::string(fileName) + " には変換できる行がありません");
        }
        return false;
    }

    m_p = p;
    m_job.foundUsableLine = true;
    // Every walk over the file samples the same lines from the same first line: one of them samples them.
    if (prices.first != p) {
        // Through a cursor of its own: the fields read from line p stay where they are.
        SourceLines::Cursor sampling;
        prices.format = PriceFormat::detect(m_lines.size(), p, m_settings.dateField,
                                            [this, &sampling](std::size_t i) { return m_lines.line(i, sampling); });
        prices.first = p;
    }
    m_prices = prices.format;
    m_env.host.setProgressRange(0, static_cast<int>(std::min<std::size_t>(m_lines.size() - 1, INT32_MAX)));
    m_env.host.setProgressPosition(static_cast<int>(std::min<std::size_t>(p, INT32_MAX)));

    m_daily = m_entry.isDaily() || m_grid.has_value();
    const std::int64_t first = marketTime(*stamp);
    m_bucket.start = m_grid ? m_grid->startOf(first) : (floorDiv(first, 1440) - 1) * 1440 + m_cutMinutes;
    m_bucket.end = edgeAfter(m_bucket.start);
    if (m_settings.appendVolume) {
        double volume = 0.0;
        std::uint8_t decimals = 0;
        const std::int64_t volumeIndex = m_record.dateIndex() + 6;
        m_volumeField = static_cast<std::uint64_t>(volumeIndex) < m_record.fieldCount() &&
                        readVolume(m_record.field(volumeIndex), volume, decimals);
    }
    m_waiting = first;
    m_haveWaiting = true;
    if (m_countsFileLines) {
        countFileLine();
    }
    return true;
}

void BarBuilder::Walk::advance(std::size_t limit, const LineFeed* feed)
{
    while (m_p < limit) {
        if (randomHookDue()) {
            m_env.hook(m_p);
        }
        if (!m_haveWaiting) {
            // The line as the reading ahead parsed it, or else as the walk reads it itself.
            m_parsed = feed != nullptr ? feed->take(m_p, m_memo) : nullptr;
            if (m_parsed != nullptr) {
                m_waiting = m_parsed->stamp;
            } else if (!readWaitingLine()) {
                continue;
            }
            m_haveWaiting = true;
            if ((m_lineExtras & (ReadVolume | ReadExtras)) != 0) [[unlikely]] {
                readExtras(feed);
            }
            if (m_countsFileLines) {
                countFileLine();
            }
        }
        if (m_waiting < m_bucket.start) {
            // Earlier than the bucket under way: no later bucket could ever take it.
            skipLine(lineAt(m_p), OutOfOrder);
            m_haveWaiting = false;
            ++m_p;
            continue;
        }
        if (m_waiting < m_bucket.end) {
            takeWaiting();
            continue;
        }
        closeBucket();
        moveOn();
        passUnfilledBuckets();
    }
}

bool BarBuilder::Walk::readWaitingLine()
{
    const std::string_view line = lineAt(m_p);
    const auto next = stampOf(line);
    if (!next) {
        skipLine(line, NotInFormat);
        ++m_p;
        return false;
    }
    m_waiting = *next;
    return true;
}

void BarBuilder::Walk::readMarketTime()
{
    m_waiting = marketTime(m_waiting);
}

void BarBuilder::Walk::countPriceOrderOfOwnReading()
{
    split(lineAt(m_p));
    double high = 0.0;
    double low = 0.0;
    if (m_record.complete() && readDecimal(m_record.high(), high) && readDecimal(m_record.low(), low) &&
        pricesOutOfOrder(m_record.open(), high, low, m_record.close())) {
        ++m_job.linesOutOfPriceOrder;
    }
}

void BarBuilder::Walk::takeWaiting()
{
    if ((m_lineExtras & TakeExtras) != 0 && outsideWrittenDays(m_waiting)) [[unlikely]] {
        // Counted as a bar outside the window, so that a job with nothing else says why it wrote nothing.
        ++m_job.barsOutsideWindow;
        m_haveWaiting = false;
        ++m_p;
        return;
    }
    if (m_parsed != nullptr && m_parsed->pricesHeld()) {
        addParsed(*m_parsed);
    } else {
        addLine(lineAt(m_p));
    }
    m_fillUntil = m_waiting + MaxFillMinutes;
    m_haveWaiting = false;
    ++m_p;
}

bool BarBuilder::Walk::outsideWrittenDays(std::int64_t stamp)
{
    // A week or a month holds the lines of the daily bars that would be written: the window is tested on the
    // label a daily bar labelled by its start would have.
    if (!m_job.window.enabled) {
        return false;
    }
    const std::int64_t day = floorDiv(stamp - m_cutMinutes, 1440) * 1440 + m_cutMinutes;
    if (day != m_checkedDay) {
        std::int64_t label = day;
        if (m_summer != nullptr && label >= INT32_MIN && label <= INT32_MAX) {
            label += m_summer->ShiftAt(static_cast<MinuteStamp>(label));
        }
        m_checkedDay = day;
        m_checkedDayOutside = !m_job.window.containsStamp(label);
    }
    return m_checkedDayOutside;
}

void BarBuilder::Walk::addVolume(double volume, std::uint8_t decimals)
{
    if (!m_volumeField) {
        volume = 1.0;
        decimals = 0;
    }
    if (m_bucket.lineCount == 0) {
        m_bucket.volume = volume;
        m_bucket.volumeDecimals = decimals;
    } else {
        m_bucket.volume += volume;
        m_bucket.volumeDecimals = std::max(m_bucket.volumeDecimals, decimals);
    }
}

void BarBuilder::Walk::appendVolume(std::string& output) const
{
    VolumeRoom room;
    ClosedBar bar;
    bar.volume = m_bucket.volume;
    bar.volumeDecimals = m_bucket.volumeDecimals;
    bar.lineCount = m_bucket.lineCount;
    BarLine::appendField(output, volumeText(bar, room));
}

void BarBuilder::Walk::passUnfilledBuckets()
{
    if (m_waiting >= m_bucket.end && (!m_settings.fillGaps || m_fill.text.empty() || m_bucket.start >= m_fillUntil)) {
        // Empty buckets that get no fill bar write nothing: pass them in one step.
        m_bucket.start =
            m_grid ? m_grid->startOf(m_waiting) : m_bucket.start + m_entry.skipAhead(m_waiting - m_bucket.start);
        m_bucket.end = edgeAfter(m_bucket.start);
    }
}

void BarBuilder::Walk::finish()
{
    if (m_bucket.lineCount > 0) {
        closeBucket();
    }
    m_job.linesAtMissingTimes = m_clocks.linesAtMissingTimes;
    m_job.linesInRepeatedHour = m_clocks.linesInRepeatedHour;
}

void BarBuilder::Walk::addLine(std::string_view line)
{
    split(line);
    const double high = StrToFloat(m_record.high());
    const double low = StrToFloat(m_record.low());
    if (m_settings.appendVolume) {
        double volume = 0.0;
        std::uint8_t decimals = 0;
        const std::int64_t volumeIndex = m_record.dateIndex() + 6;
        if (m_volumeField && static_cast<std::uint64_t>(volumeIndex) < m_record.fieldCount()) {
            readVolume(m_record.field(volumeIndex), volume, decimals);
        }
        addVolume(volume, decimals);
    }
    if (m_bucket.lineCount == 0) {
        m_bucket.open.assign(m_record.open());
        m_bucket.high = high;
        m_bucket.low = low;
    } else {
        m_bucket.high = std::max(m_bucket.high, high);
        m_bucket.low = std::min(m_bucket.low, low);
    }
    m_bucket.close.assign(m_record.close());
    ++m_bucket.lineCount;
}

void BarBuilder::Walk::addParsed(const ParsedLine& parsed)
{
    if (m_parsedVolume != nullptr) [[unlikely]] {
        addVolume(m_parsedVolume->value, m_parsedVolume->decimals);
    }
    if (m_bucket.lineCount == 0) {
        m_bucket.open.take(parsed.open, parsed.openLength);
        m_bucket.high = parsed.high;
        m_bucket.low = parsed.low;
    } else {
        m_bucket.high = std::max(m_bucket.high, parsed.high);
        m_bucket.low = std::min(m_bucket.low, parsed.low);
    }
    m_bucket.close.take(parsed.close, parsed.closeLength);
    ++m_bucket.lineCount;
}

void BarBuilder::Walk::moveOn()
{
    // The last line that fell into any bucket is the fill source of the empty buckets after it.
    if (m_bucket.lineCount > 0) {
        m_fill.assign(m_bucket.close);
    }
    m_bucket.lineCount = 0;
    m_entry.NextWidth();
    m_bucket.start = m_bucket.end;
    m_bucket.end = edgeAfter(m_bucket.start);
}

} // namespace velmora
