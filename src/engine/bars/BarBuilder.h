#pragma once

#include "engine/bars/BarWriter.h"
#include "engine/bars/GapTally.h"
#include "engine/bars/MarketWindow.h"
#include "engine/bars/SummerShiftTable.h"
#include "engine/bars/TimeframeEntry.h"
#include "engine/host/RunHost.h"
#include "engine/run/RunFrontEnd.h"
#include "engine/settings/ConversionSettings.h"
#include "input/DateTimeText.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

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
    /// The program the run was started from, whose controls a hint in the log names.
    RunFrontEnd frontEnd = RunFrontEnd::Window;
    /// False under the usual reading, which walks a file none of whose lines read to its end as it always did;
    /// otherwise such a file is given up after its first UnreadableAfterLines lines.
    bool givesUpUnreadable = false;
};

/// Output that a walk lets grow before it offers it to BuildEnvironment::spill.
inline constexpr std::size_t SpillBytes = std::size_t{1} << 16U;

/// One job's bars over a file: what its walk takes, where it writes the bars (each line with CR LF), and what
/// it finds in the file.
struct BarJob
{
    TimeframeEntry& entry;
    const MarketWindow& window;
    BuildEnvironment& env;
    std::string& output;
    /// Seeds the choice of the iterations that call the hook.
    std::uint32_t seed = 0;
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
    /// Writes the bars in another layout than the usual bar line; null for the usual line.
    BarWriter* writer = nullptr;
};

/// Turns the lines of a source file into bars: the setup of a run, and one Walk per job over the lines
/// (engine/bars/BarBuilderWalk.h). Several walks over one file are scheduled by engine/walk/SourceWalk.
class BarBuilder
{
public:
    /// Setup of a run: reads the cut time (which must hold ":") and keeps the summer table to use (null when
    /// the table is off).
    BarBuilder(const ConversionSettings& settings, const SummerShiftTable* summer, MessageSink& messages);

    /// The market window of an entry, from the settings and the entry's first bucket width.
    static MarketWindow PrepareEntry(const ConversionSettings& settings, const TimeframeEntry& entry);

    /// The cut time in minutes of the day.
    std::int32_t cutMinutes() const { return m_cutMinutes; }
    const ConversionSettings& settings() const { return m_settings; }

    class Walk;

private:
    const ConversionSettings& m_settings;
    const SummerShiftTable* m_summer;
    std::int32_t m_cutMinutes = 0;
};

/// The seed of the hook choice for the job-th job of a run whose seed is runSeed.
std::uint32_t jobSeed(std::uint32_t runSeed, std::uint64_t job);

/// The log entry of a source line that is passed over: its text, CR LF, and the reason.
std::string skippedLineEntry(std::string_view line, std::string_view reason);

/// Reasons written after a skipped line.
inline constexpr std::string_view NotInFormat = "は所定の形式ではないので飛ばします";
inline constexpr std::string_view OutOfOrder = "は前の行より時刻が古いので飛ばします";

} // namespace velmora
