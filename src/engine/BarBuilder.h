#pragma once

#include "engine/BarLine.h"
#include "engine/ConversionSettings.h"
#include "engine/PriceFormat.h"
#include "engine/RunHost.h"
#include "engine/SummerShiftTable.h"
#include "engine/TimeframeEntry.h"
#include "input/DateTimeText.h"
#include "input/SourceLines.h"
#include "input/SourceRecord.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace velmora {

/// The weekly window outside which no bar is written: from the open day at the open time (inclusive) to the
/// close day at the close time (exclusive), within one Sunday-to-Saturday week. It never wraps past Saturday.
struct MarketWindow
{
    bool enabled = false;
    int openDay = 1; ///< 1 = Sunday … 7 = Saturday
    int openHhmm = 0;
    int closeDay = 7;
    int closeHhmm = 0;

    /// The window test of a date-time value; seconds are ignored.
    bool Contains(DateTimeValue value) const;
    /// The same test on a whole minute.
    bool containsStamp(std::int64_t stamp) const;
};

/// Weekday of a day number (days since 1899-12-30): 1 = Sunday … 7 = Saturday.
int weekdayOfDay(std::int64_t day);

/// The date-time value of a minute stamp.
DateTimeValue stampToDateTime(std::int64_t stamp);

/// What one job's walk reaches outside the builder.
struct BuildEnvironment
{
    RunHost& host;
    DateTextContext& dates;
    /// The progress-and-cancel hook, called with the index of the waiting line about once in 3000
    /// iterations of the walk; it throws to end the run when a cancel has been asked for.
    std::function<void(std::size_t)> hook;
    /// Called with the output once it holds SpillBytes or more; may move the bytes elsewhere and clear it, so
    /// that a file of many years of bars never has to sit in memory whole.
    std::function<void(std::string&)> spill = {};
};

/// Output that BuildFile lets grow before it offers it to BuildEnvironment::spill.
inline constexpr std::size_t SpillBytes = std::size_t{1} << 20U;

/// Turns the lines of one source file into the bars of one timeframe entry, appending one line per bar.
class BarBuilder
{
public:
    /// Setup of a run: reads the cut time (which must hold ":"), compiles the line writer and the summer table
    /// to use (null when the table is off).
    BarBuilder(const ConversionSettings& settings, const SummerShiftTable* summer, MessageSink& messages,
               std::uint32_t seed);

    /// The market window of an entry, from the settings and the entry's first bucket width.
    static MarketWindow PrepareEntry(const ConversionSettings& settings, const TimeframeEntry& entry);

    /// The bars of one file appended to output (each line with CR LF). fileName names the file in the log.
    void BuildFile(const SourceLines& lines, std::string_view fileName, TimeframeEntry& entry,
                   const MarketWindow& window, BuildEnvironment& env, std::string& output);

    /// The cut time in minutes of the day.
    std::int32_t cutMinutes() const { return m_cutMinutes; }

private:
    struct Bucket;

    /// Splits the line into m_record unless it already holds that line: a line's stamp and its prices are read
    /// from one split.
    void split(std::string_view line);
    void addLine(Bucket& bucket, std::string_view line);
    static void moveOn(Bucket& bucket, TimeframeEntry& entry, std::string& fillClose);
    bool isUsable(std::string_view line);
    std::optional<std::int64_t> stampOf(std::string_view line, BuildEnvironment& env);
    void skipLine(std::string_view line, std::string_view reason, BuildEnvironment& env);
    void closeBucket(const Bucket& bucket, bool gap, std::string_view fillClose, const MarketWindow& window, bool daily,
                     const PriceFormat& prices, BuildEnvironment& env, std::string& output);
    bool randomHookDue();

    const ConversionSettings& m_settings;
    const SummerShiftTable* m_summer;
    BarLine m_lineWriter;
    char m_writerSeparator;
    SourceRecord m_record;
    const char* m_splitLine = nullptr;
    std::int32_t m_cutMinutes = 0;
    std::uint32_t m_random;
    // The date of the previous line: consecutive lines mostly share it, so its day is read once.
    std::string m_lastDateText;
    std::int64_t m_lastDay = 0;
    bool m_haveLastDay = false;
    std::int64_t m_fillUntil = 0; ///< empty buckets starting from here get no fill bar
};

/// The log entry of a source line that is passed over: its text, CR LF, and the reason.
std::string skippedLineEntry(std::string_view line, std::string_view reason);

/// Reasons written after a skipped line.
inline constexpr std::string_view NotInFormat = "は所定の形式ではないので飛ばします";
inline constexpr std::string_view OutOfOrder = "は前の行より時刻が古いので飛ばします";

} // namespace velmora
