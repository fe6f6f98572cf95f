#include "engine/BarBuilder.h"

#include "platform/RunError.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

constexpr std::uint32_t HookOdds = 3000;

// Empty buckets get fill bars for at most a year after the last line: a hole that long is missing data, not a
// quiet market or a suspension, and filling it would write a flat bar for every bucket of the hole, billions
// for a year typed wrong with 1-minute bars.
constexpr std::int64_t MaxFillMinutes = 366 * 1440;

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

std::int64_t floorDiv(std::int64_t value, std::int64_t divisor)
{
    std::int64_t quotient = value / divisor;
    if ((value % divisor != 0) && ((value < 0) != (divisor < 0))) {
        --quotient;
    }
    return quotient;
}

std::string cutTimeMessage(std::string_view text)
{
    return "基準区切り時刻 '" + std::string(text) +
           "' には時と分を区切る \":\" がありません。\r17:00 のように指定してください";
}

/// Minutes of the day of a market-window time text; seconds are ignored.
int minutesOfDay(std::string_view text)
{
    const auto ms = parseTimeOfDayMs(text);
    if (!ms) {
        throw notATime(text);
    }
    return *ms / 60000;
}

int hhmmOf(int minutes)
{
    return (minutes / 60) * 100 + minutes % 60;
}

} // namespace

struct BarBuilder::Bucket
{
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::size_t lineCount = 0;
    std::string open;
    std::string close;
    double high = 0.0;
    double low = 0.0;
};

int weekdayOfDay(std::int64_t day)
{
    // Day 0, 1899-12-30, was a Saturday.
    const std::int64_t fromSunday = ((day + 6) % 7 + 7) % 7;
    return static_cast<int>(fromSunday) + 1;
}

DateTimeValue stampToDateTime(std::int64_t stamp)
{
    return static_cast<double>(stamp / 1440) + static_cast<double>(stamp % 1440) / 1440.0;
}

bool MarketWindow::containsStamp(std::int64_t stamp) const
{
    if (!enabled) {
        return true;
    }
    const std::int64_t day = floorDiv(stamp, 1440);
    const int minute = static_cast<int>(stamp - day * 1440);
    const int weekday = weekdayOfDay(day);
    const int hhmm = hhmmOf(minute);
    if (weekday < openDay || weekday > closeDay) {
        return false;
    }
    if (weekday == openDay && hhmm < openHhmm) {
        return false;
    }
    if (weekday == closeDay && hhmm >= closeHhmm) {
        return false;
    }
    return true;
}

bool MarketWindow::Contains(DateTimeValue value) const
{
    // Round to the millisecond first so that 09:05 stored as 09:04:59.9999 stays 09:05.
    const double ms = std::round(value * 86'400'000.0);
    return containsStamp(static_cast<std::int64_t>(std::floor(ms / 60'000.0)));
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

BarBuilder::BarBuilder(const ConversionSettings& settings, const SummerShiftTable* summer, MessageSink& messages,
                       std::uint32_t seed)
    : m_settings(settings), m_summer(summer),
      m_lineWriter(settings.outputDateSeparator, settings.timeFormat, settings.dropTimeInDaily),
      m_writerSeparator(settings.outputDateSeparator), m_record(settings.dateField),
      m_random(seed == 0 ? 0x9E3779B9U : seed)
{
    // Without ":" the cut time has no minute of the day, and a grid anchored at a made-up time would put
    // every bar in the wrong place: stop before the first job instead.
    if (settings.cutTime.find(':') == std::string::npos) {
        throw RunError(cutTimeMessage(settings.cutTime));
    }
    const auto minutes = TimeStrToInt(settings.cutTime, messages);
    if (!minutes) {
        throw RunError(cutTimeMessage(settings.cutTime));
    }
    m_cutMinutes = *minutes;
}

MarketWindow BarBuilder::PrepareEntry(const ConversionSettings& settings, const TimeframeEntry& entry)
{
    MarketWindow window;
    window.enabled = settings.marketWindow;
    window.openDay = settings.marketOpenDay;
    window.closeDay = settings.marketCloseDay;
    int openMinutes = minutesOfDay(settings.marketOpenTime);
    int closeMinutes = minutesOfDay(settings.marketCloseTime);
    const bool byEnd = settings.labelling == VTLabelling;
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

bool BarBuilder::randomHookDue()
{
    // xorshift32: a few instructions per iteration, enough for choosing when to look at the window.
    m_random ^= m_random << 13;
    m_random ^= m_random >> 17;
    m_random ^= m_random << 5;
    return m_random % HookOdds == 0;
}

void BarBuilder::split(std::string_view line)
{
    if (line.data() != m_splitLine) {
        m_record.split(line);
        m_splitLine = line.data();
    }
}

bool BarBuilder::isUsable(std::string_view line)
{
    split(line);
    if (!m_record.complete()) {
        return false;
    }
    return parseDecimal(m_record.open()) && parseDecimal(m_record.high()) && parseDecimal(m_record.low()) &&
           parseDecimal(m_record.close()) && parseTimeOfDayMs(m_record.time());
}

void BarBuilder::skipLine(std::string_view line, std::string_view reason, BuildEnvironment& env)
{
    env.host.appendLog(skippedLineEntry(line, reason));
    env.host.processEvents();
    env.host.yieldProcessor();
}

std::optional<std::int64_t> BarBuilder::stampOf(std::string_view line, BuildEnvironment& env)
{
    split(line);
    const std::string_view dateText = m_record.date();
    const std::string_view timeText = m_record.time();
    if (!m_haveLastDay || dateText != m_lastDateText) {
        const auto day = ReadDateText(dateText, env.dates);
        if (!day) {
            return std::nullopt;
        }
        m_lastDateText.assign(dateText);
        m_lastDay = *day;
        m_haveLastDay = true;
    }
    const auto minute = TimeStrToInt(timeText, env.dates.messages);
    if (!minute) {
        return std::nullopt;
    }
    // Minute stamps are 32 bits (the year 5983 at the latest): a line beyond them is unreadable, as the
    // summer table and the up-to-date test could not place it.
    const std::int64_t stamp = m_lastDay * 1440 + *minute;
    if (stamp < INT32_MIN || stamp > INT32_MAX) {
        return std::nullopt;
    }
    return stamp;
}

void BarBuilder::closeBucket(const Bucket& bucket, bool gap, std::string_view fillClose, const MarketWindow& window,
                             bool daily, const PriceFormat& prices, BuildEnvironment& env, std::string& output)
{
    std::string_view open = bucket.open;
    std::string_view close = bucket.close;
    double high = bucket.high;
    double low = bucket.low;
    if (bucket.lineCount == 0) {
        if (!m_settings.fillGaps || fillClose.empty() || bucket.start >= m_fillUntil) {
            return;
        }
        open = fillClose;
        close = fillClose;
        high = StrToFloat(fillClose);
        low = high;
    }
    if (gap) {
        return;
    }
    std::int64_t label = m_settings.labelling == VTLabelling ? bucket.end : bucket.start;
    if (m_summer != nullptr && label >= INT32_MIN && label <= INT32_MAX) {
        label += m_summer->ShiftAt(static_cast<MinuteStamp>(label));
    }
    if (!window.containsStamp(label)) {
        return;
    }
    const DateTimeValue value = stampToDateTime(label) + m_settings.timeZoneShiftDays;
    if (!(value >= FirstLabelDay && value < EndLabelDay)) {
        throw RunError(labelOutOfRangeMessage());
    }
    env.host.yieldProcessor();
    m_lineWriter.append(output, value, daily, open, high, low, close, prices);
    if (output.size() >= SpillBytes && env.spill) {
        env.spill(output);
    }
}

void BarBuilder::BuildFile(const SourceLines& lines, std::string_view fileName, TimeframeEntry& entry,
                           const MarketWindow& window, BuildEnvironment& env, std::string& output)
{
    m_haveLastDay = false;
    m_splitLine = nullptr;
    // A linkage run may have switched the output separator to the one of a target it read.
    if (env.dates.separators.output != m_writerSeparator) {
        m_writerSeparator = env.dates.separators.output;
        m_lineWriter = BarLine(m_writerSeparator, m_settings.timeFormat, m_settings.dropTimeInDaily);
    }
    std::size_t p = 0;
    std::optional<std::int64_t> stamp;
    for (; p < lines.size(); ++p) {
        const std::string_view line = lines.line(p);
        if (isUsable(line)) {
            DetectDateSeparator(m_record.date(), env.dates);
            stamp = stampOf(line, env);
            if (stamp) {
                break;
            }
        }
        // A line whose date or time does not read cannot anchor the grid either.
        skipLine(line, NotInFormat, env);
    }
    if (!stamp) {
        env.host.appendLog(std::string(fileName) + " には変換できる行がありません");
        return;
    }

    const std::size_t first = p;
    const PriceFormat prices = PriceFormat::detect(lines.size(), first, m_settings.dateField,
                                                   [&lines](std::size_t i) { return lines.line(i); });
    env.host.setProgressRange(0, static_cast<int>(std::min<std::size_t>(lines.size() - 1, INT32_MAX)));
    env.host.setProgressPosition(static_cast<int>(std::min<std::size_t>(first, INT32_MAX)));

    const bool daily = entry.isDaily();
    Bucket bucket;
    bucket.start = (floorDiv(*stamp, 1440) - 1) * 1440 + m_cutMinutes;
    bucket.end = bucket.start + entry.currentWidth();
    std::string fillClose;

    // The stamp of the waiting line is read once, however many empty buckets it waits through.
    std::int64_t waiting = *stamp;
    bool haveWaiting = true;
    while (p < lines.size()) {
        if (randomHookDue()) {
            env.hook(p);
        }
        const std::string_view line = lines.line(p);
        if (!haveWaiting) {
            const auto next = stampOf(line, env);
            if (!next) {
                skipLine(line, NotInFormat, env);
                ++p;
                continue;
            }
            waiting = *next;
            haveWaiting = true;
        }
        if (waiting < bucket.start) {
            // Earlier than the bucket under way: no later bucket could ever take it.
            skipLine(line, OutOfOrder, env);
            haveWaiting = false;
            ++p;
            continue;
        }
        if (waiting < bucket.end) {
            addLine(bucket, line);
            m_fillUntil = waiting + MaxFillMinutes;
            haveWaiting = false;
            ++p;
            continue;
        }
        closeBucket(bucket, entry.currentIsGap(), fillClose, window, daily, prices, env, output);
        moveOn(bucket, entry, fillClose);
        if (waiting >= bucket.end && (!m_settings.fillGaps || fillClose.empty() || bucket.start >= m_fillUntil)) {
            // Empty buckets that get no fill bar write nothing: pass them in one step.
            bucket.start += entry.skipAhead(waiting - bucket.start);
            bucket.end = bucket.start + entry.currentWidth();
        }
    }
    if (bucket.lineCount > 0) {
        closeBucket(bucket, entry.currentIsGap(), fillClose, window, daily, prices, env, output);
    }
}

void BarBuilder::addLine(Bucket& bucket, std::string_view line)
{
    split(line);
    const double high = StrToFloat(m_record.high());
    const double low = StrToFloat(m_record.low());
    if (bucket.lineCount == 0) {
        bucket.open.assign(m_record.open());
        bucket.high = high;
        bucket.low = low;
    } else {
        bucket.high = std::max(bucket.high, high);
        bucket.low = std::min(bucket.low, low);
    }
    bucket.close.assign(m_record.close());
    ++bucket.lineCount;
}

void BarBuilder::moveOn(Bucket& bucket, TimeframeEntry& entry, std::string& fillClose)
{
    // The last line that fell into any bucket is the fill source of the empty buckets after it.
    if (bucket.lineCount > 0) {
        fillClose.swap(bucket.close);
    }
    bucket.lineCount = 0;
    entry.NextWidth();
    bucket.start = bucket.end;
    bucket.end = bucket.start + entry.currentWidth();
}

} // namespace velmora
