#pragma once

#include "engine/bars/BarLine.h"
#include "engine/bars/GapTally.h"
#include "engine/bars/PriceFormat.h"
#include "engine/bars/SummerShiftTable.h"
#include "engine/bars/TimeframeEntry.h"
#include "engine/host/RunHost.h"
#include "engine/settings/ConversionSettings.h"
#include "engine/walk/ReadAheadParser.h"
#include "input/DateTimeText.h"
#include "input/SourceLines.h"
#include "input/SourceRecord.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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
    /// Called once the job's output holds SpillBytes or more; may move its bytes elsewhere and clear it, so that
    /// a file of many years of bars never has to sit in memory whole.
    std::function<void()> spill = {};
};

/// Output that a walk lets grow before it offers it to BuildEnvironment::spill.
inline constexpr std::size_t SpillBytes = std::size_t{1} << 16U;

/// How a job walked ahead of its turn ended.
enum class WalkEnd {
    Finished,
    Failed,    ///< a run error ended it: error holds the message, to be shown at the job's turn
    Abandoned, ///< its recording filled up, or memory ran out: the job is walked again at its turn
};

/// One job's walk over a file: the bars of one timeframe entry appended to output (each line with CR LF).
struct WalkJob
{
    TimeframeEntry& entry;
    const MarketWindow& window;
    BuildEnvironment& env;
    std::string& output;
    /// Seeds the choice of the iterations that call the hook.
    std::uint32_t seed = 0;
    /// A job walked ahead of its turn, beside another: what ends it is kept in ended (and error) instead of
    /// thrown, and ends only this walk.
    bool ahead = false;
    WalkEnd ended = WalkEnd::Finished;
    std::string error = {};
    /// False once the walk has set the input separator from its first usable line before reading with it (or
    /// found no usable line): the separator it started with made no difference.
    bool readsStartSeparator = true;
    /// What the walk found, for a job that writes no bar line to say why.
    bool foundUsableLine = false;
    std::size_t barsOutsideWindow = 0;
    /// Lines taken into bars whose prices are not in the order open, high, low, close could have them.
    std::size_t linesOutOfPriceOrder = 0;
    /// Lines at a time the source clock skips, and lines of the second pass through an hour the market clock
    /// repeats.
    std::size_t linesAtMissingTimes = 0;
    std::size_t linesInRepeatedHour = 0;
    /// Set when the run reports gaps: counts the source's holes and the fill bars written into them.
    std::optional<GapTally> gaps = std::nullopt;
};

/// Turns the lines of a source file into bars: one walk per job over the same lines.
class BarBuilder
{
public:
    /// Setup of a run: reads the cut time (which must hold ":") and keeps the summer table to use (null when
    /// the table is off).
    BarBuilder(const ConversionSettings& settings, const SummerShiftTable* summer, MessageSink& messages);

    /// The market window of an entry, from the settings and the entry's first bucket width.
    static MarketWindow PrepareEntry(const ConversionSettings& settings, const TimeframeEntry& entry);

    /// The bars of every job's walk over the same file, appended to its output (each line with CR LF); fileName
    /// names the file in the log. The lines are read once, and each walk takes them in turn, a chunk at a
    /// time, on this thread; each does exactly what it would do alone. The first job is walked for real; jobs
    /// marked ahead go through their own environment.
    void BuildFiles(const SourceLines& lines, std::string_view fileName, std::span<WalkJob* const> jobs) const;

    /// The cut time in minutes of the day.
    std::int32_t cutMinutes() const { return m_cutMinutes; }

    /// How the walks read their lines: ahead of the walks as the options say, or (std::nullopt) every line on
    /// the walks' own thread as it comes, which is slower and gives the same bars, log and messages.
    void setReadAhead(std::optional<ReadAheadOptions> options) { m_readAhead = options; }

private:
    class Walk;
    template <typename Step> static bool step(Walk& walk, Step&& action);
    /// Takes the started walks through the lines together, reading ahead while they agree, and finishes them.
    void walkLines(const SourceLines& lines, std::vector<Walk*>& active) const;

    const ConversionSettings& m_settings;
    const SummerShiftTable* m_summer;
    std::int32_t m_cutMinutes = 0;
    std::optional<ReadAheadOptions> m_readAhead = ReadAheadOptions::forThisMachine();
};

/// The seed of the hook choice for the job-th job of a run whose seed is runSeed.
std::uint32_t jobSeed(std::uint32_t runSeed, std::uint64_t job);

/// The log entry of a source line that is passed over: its text, CR LF, and the reason.
std::string skippedLineEntry(std::string_view line, std::string_view reason);

/// Reasons written after a skipped line.
inline constexpr std::string_view NotInFormat = "は所定の形式ではないので飛ばします";
inline constexpr std::string_view OutOfOrder = "は前の行より時刻が古いので飛ばします";

} // namespace velmora
